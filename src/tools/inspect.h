#pragma once
// wendrel-inspect replays what Wendrel would read, without a desktop. Each
// subcommand reads standard input and follows the same conventions: exit 0
// with the answer on standard output, exit 1 with a reason on standard error
// when there is no result, exit 2 with a message when the input is bad.

#include "vision/amap_vision_reader.h"

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inspect {

enum ExitCode : int { ok = 0, noResult = 1, badInput = 2 };

struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

struct Subcommand {
    std::string_view name;
    std::string_view summary;  // one line for the tool's --help
    std::string_view help;     // the subcommand's own --help text
    int (*run)(const std::vector<std::string>& args, Io& io);
};

// Runs the tool with its arguments (without the program name).
int run(const std::vector<std::string>& args, Io& io);

// ---- Helpers shared by the subcommands ----

// Thrown for bad input; the message is printed after "wendrel-inspect: ".
struct BadInput {
    std::string message;
};

std::string readAll(std::istream& in);

// Reads "2026-12-06T08:51:08.9Z" or "...+08:00"; absent when malformed.
std::optional<std::chrono::system_clock::time_point> parseIsoDate(std::string_view text);

// Options of the form --name VALUE or flags --name; anything else is bad input.
struct Options {
    std::optional<std::chrono::system_clock::time_point> date;  // --date
    std::optional<std::string> window;                          // --window, as given
    std::vector<std::string> flags;                             // other --flags seen
    std::vector<std::string> positional;
    bool help = false;
};
Options parseOptions(const std::vector<std::string>& args, const std::vector<std::string_view>& allowedFlags,
                     bool takesDate, std::size_t positionalCount, bool takesWindow = false);

std::chrono::system_clock::time_point dateOrNow(const Options& options);

// Bad input unless the text is well-formed UTF-8; the message gives the
// offset of the first ill-formed byte. Standard input is never repaired here:
// a file in another encoding would otherwise turn silently into U+FFFD.
void requireUtf8(std::string_view input);

// The text parsed as a JSON array; bad input otherwise. `elements` names what
// the array should hold, for the message.
nlohmann::json readJsonArray(std::string_view json, std::string_view elements);

// Recognised fragments as a JSON array of {"text": "...", "box": [x, y,
// width, height]}, the box normalised with its origin at the lower left, as
// the recogniser reports it; and such an array read back (bad input
// otherwise).
std::string fragmentsJson(const std::vector<AmapRecognizedFragment>& fragments);
std::vector<AmapRecognizedFragment> readFragments(std::string_view json);

// A JSON array of strings from the text; bad input otherwise.
std::vector<std::string> readStringArray(std::string_view json);

// Prints the payload line of a parse over `strings`, or the no-result reason.
int printPayloadOf(const std::vector<std::string>& strings, std::chrono::system_clock::time_point date, Io& io,
                   std::string_view noResultReason);

// The subcommands, each in its own file.
Subcommand parseCommand();
Subcommand blocksCommand();
Subcommand readCommand();
Subcommand summaryCommand();
// Only where the platform has a recogniser (WENDREL_INSPECT_IMAGE).
Subcommand imageCommand();

}  // namespace inspect
