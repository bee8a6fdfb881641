// a11y-dump PID: prints the texts of a process's accessibility tree as a JSON
// array, the way Wendrel's read collects them. The end-to-end scripts use it to
// see what a window shows and to wait until a program has joined the
// accessibility bus.
#include "accessibility/accessibility_reader.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string_view>

int main(int argc, char** argv) {
    std::int32_t pid = 0;
    std::string_view arg = argc == 2 ? argv[1] : "";
    auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), pid);
    if (arg.empty() || ec != std::errc() || end != arg.data() + arg.size() || pid <= 0) {
        std::cerr << "usage: a11y-dump PID\n";
        return 2;
    }
    std::cout << nlohmann::json(readAccessibilityStrings(pid)).dump(2) << "\n";
    return 0;
}
