// routeBlocks over arbitrary fragments, one a line: "x y width height text".
// The four numbers are read with strtod, so "inf", "-inf", "nan" and
// out-of-range exponents give boxes that are not finite; a line whose numbers
// do not read is left out. The text is the rest of the line, as it is.

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

std::vector<AmapRecognizedFragment> fragmentsOf(std::string_view input) {
    std::vector<AmapRecognizedFragment> fragments;
    for (const std::string_view line : fuzz::records(input, '\n')) {
        std::size_t at = 0;
        bool ok = true;
        NormalizedRect box;
        box.x = numberAt(line, at, ok);
        box.y = numberAt(line, at, ok);
        box.width = numberAt(line, at, ok);
        box.height = numberAt(line, at, ok);
        if (ok) fragments.emplace_back(std::string(line.substr(at)), box);
    }
    return fragments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    const auto fragments = fragmentsOf(input);
    const auto blocks = AmapVisionReader::routeBlocks(fragments);
    fuzz::require(blocks == AmapVisionReader::routeBlocks(fragments), "layout not deterministic");
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
