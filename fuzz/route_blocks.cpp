// routeBlocks over arbitrary fragments, one a line: "x y width height text".
// The four numbers are read with strtod, so "inf", "-inf", "nan" and
// out-of-range exponents give boxes that are not finite; a line whose numbers
// do not read is left out. The text is the rest of the line, as it is. A
// line "window WIDTH HEIGHT" gives the window's size in points (any numbers,
// zero, negative and not finite ones too); without one, the reference window.

#include "fuzz_checks.h"

#include "text/text_rules.h"
#include "vision/amap_vision_reader.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The next space-separated number, read as strtod reads it (overflow gives
// an infinity); `ok` turns false when the token is not a number.
double numberAt(std::string_view line, std::size_t& at, bool& ok) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    const std::string token(line.substr(at, end - at));
    char* last = nullptr;
    const double value = std::strtod(token.c_str(), &last);
    if (token.empty() || last != token.c_str() + token.size()) ok = false;
    at = std::min(end + 1, line.size());
    return value;
}

struct Input {
    std::vector<AmapRecognizedFragment> fragments;
    WindowSize window = AmapVisionReader::referenceWindow;
};

Input inputOf(std::string_view text) {
    Input input;
    std::vector<AmapRecognizedFragment>& fragments = input.fragments;
    for (const std::string_view line : fuzz::records(text, '\n')) {
        std::size_t at = 0;
        bool ok = true;
        if (line.starts_with("window ")) {
            at = 7;
            const double width = numberAt(line, at, ok);
            const double height = numberAt(line, at, ok);
            if (ok) input.window = {width, height};
            continue;
        }
        NormalizedRect box;
        box.x = numberAt(line, at, ok);
        box.y = numberAt(line, at, ok);
        box.width = numberAt(line, at, ok);
        box.height = numberAt(line, at, ok);
        if (ok) fragments.emplace_back(std::string(line.substr(at)), box);
    }
    return input;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    const auto [fragments, window] = inputOf(input);
    const auto blocks = AmapVisionReader::routeBlocks(fragments, window);
    fuzz::require(blocks == AmapVisionReader::routeBlocks(fragments, window), "layout not deterministic");
    fuzz::require(blocks.size() <= 2, "more than the route block and the full text");
    const bool wellFormed = std::all_of(fragments.begin(), fragments.end(),
                                        [](const AmapRecognizedFragment& f) { return text::isValidUtf8(f.text); });
    for (const std::string& block : blocks) {
        fuzz::require(!block.empty(), "empty block");
        if (wellFormed) fuzz::require(text::isValidUtf8(block), "layout split a character");
    }
    fuzz::checkParseBothWays(blocks, fuzz::dateFor(input));
    return 0;
}
