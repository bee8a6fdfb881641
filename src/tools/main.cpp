#include "tools/inspect.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    inspect::Io io{std::cin, std::cout, std::cerr};
    return inspect::run(args, io);
}
