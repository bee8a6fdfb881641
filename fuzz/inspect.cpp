// wendrel-inspect's input readers. The first line names the subcommand
// (parse, blocks, read or summary); the rest is its standard input. Whatever
// the input, the tool exits 0, 1 or 2, prints well-formed UTF-8, and a
// payload it prints passes the parser's checks.

#include "fuzz_checks.h"

#include "parser/text_rules.h"
#include "tools/inspect.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace {

constexpr std::string_view dateText = "2026-12-06T08:51:08Z";

void checkPrintedPayload(const std::string& out) {
    fuzz::require(out.ends_with('\n'), "payload line without its line break");
    const std::string line = out.substr(0, out.size() - 1);
    const auto result = decodePayload(line);
    fuzz::require(result.hasValue(), "printed payload does not decode");
    fuzz::checkParsedResult(result.value(), *inspect::parseIsoDate(dateText));
}

void checkBlocks(const std::string& out) {
    const auto blocks = nlohmann::json::parse(out, nullptr, false);
    fuzz::require(blocks.is_array() && blocks.size() <= 2, "blocks output not an array of at most two");
    for (const auto& block : blocks) fuzz::require(block.is_string() && !block.empty(), "bad block");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos) return 0;
    const std::string command(input.substr(0, newline));
    std::vector<std::string> args{command};
    if (command == "parse" || command == "read") args.insert(args.end(), {"--date", std::string(dateText)});
    else if (command != "blocks" && command != "summary") return 0;

    std::istringstream in{std::string(input.substr(newline + 1))};
    std::ostringstream out, err;
    inspect::Io io{in, out, err};
    const int code = inspect::run(args, io);

    fuzz::require(code == inspect::ok || code == inspect::noResult || code == inspect::badInput, "unknown exit code");
    fuzz::require(text::isValidUtf8(out.str()) && text::isValidUtf8(err.str()), "output not UTF-8");
    if (code != inspect::ok) {
        fuzz::require(out.str().empty() && !err.str().empty(), "failure without a message, or with output");
        return 0;
    }
    fuzz::require(!out.str().empty(), "success without output");
    if (command == "parse" || command == "read") checkPrintedPayload(out.str());
    if (command == "blocks") checkBlocks(out.str());
    return 0;
}
