#include "accessibility/atspi_toolkit.h"

#include <array>

namespace accessibility {

namespace {

bool sameLetters(std::string_view a, std::string_view lowerCase) {
    if (a.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (c != lowerCase[i]) return false;
    }
    return true;
}

}  // namespace

bool bridgeIsBuiltOnAtk(std::string_view toolkitName) {
    static constexpr std::array<std::string_view, 2> answering{"gtk", "chromium"};
    for (std::string_view toolkit : answering) {
        if (sameLetters(toolkitName, toolkit)) return true;
    }
    return false;
}

bool rolesShareTraits(std::uint32_t role) {
    // AT-SPI's numbers of the invalid, unknown and extended roles.
    constexpr std::uint32_t invalid = 0;
    constexpr std::uint32_t unknown = 67;
    constexpr std::uint32_t extended = 70;
    return role != invalid && role != unknown && role != extended;
}

}  // namespace accessibility
