#pragma once
// Runs wendrel-inspect in-process on a given standard input and keeps what it
// printed and its exit status.

#include "tools/inspect.h"

#include <sstream>
#include <string>
#include <vector>

struct InspectOutcome {
    int code;
    std::string out;
    std::string err;
};

inline InspectOutcome runInspect(const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    inspect::Io io{in, out, err};
    const int code = inspect::run(args, io);
    return {code, out.str(), err.str()};
}
