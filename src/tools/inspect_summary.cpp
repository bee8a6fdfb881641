#include "tools/inspect.h"

#include "app/route_summary.h"
#include "model/route_model.h"

#include <istream>
#include <ostream>

namespace inspect {
namespace {

// The payload as one line: a single trailing line break (as `echo` or a
// file leaves it) is allowed and dropped; any other line break is not.
std::string payloadLine(std::string input) {
    requireUtf8(input);
    if (input.ends_with("\r\n")) input.resize(input.size() - 2);
    else if (input.ends_with('\n')) input.pop_back();
    if (input.find_first_of("\r\n") != std::string::npos)
        throw BadInput{"standard input must be one payload line (WENDREL_V1: followed by JSON)"};
    return input;
}

int runSummary(const std::vector<std::string>& args, Io& io) {
    parseOptions(args, {}, false, 0);
    const std::string line = payloadLine(readAll(io.in));
    const auto result = decodePayload(line);
    if (!result) throw BadInput{"the payload is not a read result: " + result.error().description};
    io.out << summary::routeLine(result.value()) << "\n" << summary::optionLines(result.value()) << "\n";
    return ok;
}

}  // namespace

Subcommand summaryCommand() {
    return {"summary", "show what the window would display for a payload line",
            "Usage: wendrel-inspect summary < payload.txt\n"
            "Reads one payload line (WENDREL_V1: followed by the JSON of a read result) and\n"
            "prints what Wendrel's window shows for it: the route line, then one line per\n"
            "route option (label, distance, travel time, toll).\n"
            "Exit status: 0 summary printed, 2 bad input.\n",
            runSummary};
}

}  // namespace inspect
