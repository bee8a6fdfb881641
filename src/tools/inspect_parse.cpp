#include "tools/inspect.h"

namespace inspect {
namespace {

int runParse(const std::vector<std::string>& args, Io& io) {
    const Options options = parseOptions(args, {}, true, 0);
    const std::vector<std::string> strings = readStringArray(readAll(io.in));
    return printPayloadOf(strings, dateOrNow(options), io,
                          "no route: no text holds a complete route option (label, travel time, distance)");
}

}  // namespace

Subcommand parseCommand() {
    return {"parse", "parse harvested texts (JSON array of strings) into the payload line",
            "Usage: wendrel-inspect parse [--date ISO8601] < texts.json\n"
            "Reads a JSON array of strings, the texts one read harvested, and prints the\n"
            "payload line Wendrel would put on the clipboard.\n"
            "  --date ISO8601   the read's time, e.g. 2026-12-06T08:51:08.9Z (default: now)\n"
            "Exit status: 0 payload printed, 1 no route found, 2 bad input.\n",
            runParse};
}

}  // namespace inspect
