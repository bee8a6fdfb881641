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

bool bridgeAnswersGetAll(std::string_view toolkitName) {
    static constexpr std::array<std::string_view, 2> answering{"gtk", "chromium"};
    for (std::string_view toolkit : answering) {
        if (sameLetters(toolkitName, toolkit)) return true;
    }
    return false;
}

}  // namespace accessibility
