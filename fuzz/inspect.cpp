// wendrel-inspect's input readers. The first line is the command line, its
// words separated by single spaces (the subcommand, then options such as
// --date); the rest is standard input. Without a --date, parse and read get a
// fixed one, which the payload's readAt must show. Whatever
// the input, the tool exits 0, 1 or 2, prints well-formed UTF-8, and a
// payload it prints passes the parser's checks.

#include "fuzz_checks.h"

#include "text/text_rules.h"
#include "tools/inspect.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

namespace {

constexpr std::string_view dateText = "2026-12-06T08:51:08Z";

void checkPrintedPayload(const std::string& out, std::optional<fuzz::Date> date) {
    fuzz::require(out.ends_with('\n'), "payload line without its line break");
    const std::string line = out.substr(0, out.size() - 1);
    const auto result = decodePayload(line);
    fuzz::require(result.hasValue(), "printed payload does not decode");
    fuzz::checkParsedResult(result.value(), date);
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
    std::vector<std::string> args;
    for (const std::string_view word : fuzz::records(input.substr(0, newline), ' ')) args.emplace_back(word);
    const std::string command = args[0];
    if (command != "parse" && command != "read" && command != "blocks" && command != "summary") return 0;
    const bool datesGiven = std::any_of(args.begin(), args.end(), [](const std::string& a) { return a.starts_with("--date"); });
    std::optional<fuzz::Date> date;
    if ((command == "parse" || command == "read") && !datesGiven) {
        args.insert(args.end(), {"--date", std::string(dateText)});
        date = inspect::parseIsoDate(dateText);
    }

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
    if (std::find(args.begin(), args.end(), "--help") != args.end()) return 0;
    if (command == "parse" || command == "read") checkPrintedPayload(out.str(), date);
    if (command == "blocks") checkBlocks(out.str());
    return 0;
}
