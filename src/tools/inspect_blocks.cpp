// wendrel-inspect blocks / read: replays the screen-recognition path from
// recognised fragments, so a layout can be checked without a window or a
// recogniser.

#include "tools/inspect.h"

#include "text/text_rules.h"
#include "vision/amap_vision_reader.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace inspect {
namespace {

std::string where(std::size_t index) { return "fragment " + std::to_string(index); }

// [x, y, width, height]: four finite numbers, the size not negative (a
// negative size would swap the box's edges).
NormalizedRect readBox(const nlohmann::json& box, std::size_t index) {
    const std::string expected = " must be [x, y, width, height], four finite numbers";
    if (!box.is_array() || box.size() != 4) throw BadInput{where(index) + ": \"box\"" + expected};
    double values[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        if (!box[i].is_number()) throw BadInput{where(index) + ": \"box\"" + expected};
        values[i] = box[i].get<double>();
        if (!std::isfinite(values[i])) throw BadInput{where(index) + ": \"box\"" + expected};
    }
    if (values[2] < 0 || values[3] < 0) throw BadInput{where(index) + ": \"box\" width and height must not be negative"};
    return {values[0], values[1], values[2], values[3]};
}

AmapRecognizedFragment readFragment(const nlohmann::json& item, std::size_t index) {
    if (!item.is_object()) throw BadInput{where(index) + " is not an object {\"text\": ..., \"box\": [...]}"};
    const auto text = item.find("text");
    if (text == item.end() || !text->is_string()) throw BadInput{where(index) + ": \"text\" must be a string"};
    const auto box = item.find("box");
    if (box == item.end()) throw BadInput{where(index) + ": \"box\" is missing"};
    return {text->get<std::string>(), readBox(*box, index)};
}

// "WIDTHxHEIGHT" in points, each a number from 100 to 100000; the reference
// window without the option.
WindowSize windowOf(const Options& options) {
    if (!options.window) return AmapVisionReader::referenceWindow;
    const std::string& text = *options.window;
    const std::string bad = "bad --window '" + text + "': expected WIDTHxHEIGHT in points, such as 1440x900";
    const std::size_t x = text.find('x');
    if (x == std::string::npos) throw BadInput{bad};
    const auto side = [&](std::string_view digits) {
        const std::optional<double> value = text::asciiDecimal(digits);
        if (!value || *value < 100 || *value > 100000) throw BadInput{bad};
        return *value;
    };
    return {side(std::string_view(text).substr(0, x)), side(std::string_view(text).substr(x + 1))};
}

int runBlocks(const std::vector<std::string>& args, Io& io) {
    const Options options = parseOptions(args, {}, false, 0, true);
    const auto blocks = AmapVisionReader::routeBlocks(readFragments(readAll(io.in)), windowOf(options));
    io.out << nlohmann::json(blocks).dump() << "\n";
    return ok;
}

int runRead(const std::vector<std::string>& args, Io& io) {
    const Options options = parseOptions(args, {}, true, 0, true);
    const auto blocks = AmapVisionReader::routeBlocks(readFragments(readAll(io.in)), windowOf(options));
    return printPayloadOf(blocks, dateOrNow(options), io,
                          "no route: no column of label, travel time and distance among the fragments");
}

constexpr std::string_view fragmentInput =
    "Reads a JSON array of recognised fragments from standard input, each\n"
    "  {\"text\": \"4小时20分\", \"box\": [x, y, width, height]}\n"
    "with the box in normalised window coordinates (0 to 1, origin at the\n"
    "lower-left corner, y upwards).\n"
    "  --window WxH     the window's size in points, e.g. 2560x1400 (default\n"
    "                   1440x900): the panel is laid out in points\n";

}  // namespace

std::string fragmentsJson(const std::vector<AmapRecognizedFragment>& fragments) {
    nlohmann::json list = nlohmann::json::array();
    for (const AmapRecognizedFragment& f : fragments)
        list.push_back({{"text", f.text}, {"box", {f.box.x, f.box.y, f.box.width, f.box.height}}});
    return list.dump();
}

std::vector<AmapRecognizedFragment> readFragments(std::string_view input) {
    const nlohmann::json value = readJsonArray(input, "fragments");
    std::vector<AmapRecognizedFragment> fragments;
    fragments.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) fragments.push_back(readFragment(value[i], i));
    return fragments;
}

Subcommand blocksCommand() {
    static const std::string help = std::string("Usage: wendrel-inspect blocks [--window WxH] < fragments.json\n") +
                                    std::string(fragmentInput) +
                                    "Prints the candidate blocks the layout builds from them, as one JSON array\n"
                                    "of strings: the route block (if any), then the full text.\n"
                                    "Exit status: 0 blocks printed, 2 bad input.\n";
    return {"blocks", "lay recognised fragments (JSON) out into candidate blocks", help, runBlocks};
}

Subcommand readCommand() {
    static const std::string help =
        std::string("Usage: wendrel-inspect read [--date ISO8601] [--window WxH] < fragments.json\n") + std::string(fragmentInput) +
        "Lays them out into blocks, parses those and prints the payload line the\n"
        "screen-recognition path would put on the clipboard.\n"
        "  --date ISO8601   the read's time, e.g. 2026-12-06T08:51:08.9Z (default: now)\n"
        "Exit status: 0 payload printed, 1 no route found, 2 bad input.\n";
    return {"read", "read recognised fragments (JSON) into the payload line", help, runRead};
}

}  // namespace inspect
