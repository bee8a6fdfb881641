#include "accessibility/atspi_address.h"

namespace accessibility {

bool isDirectConnectionAddress(std::string_view address) {
    constexpr std::string_view unixPrefix = "unix:";
    if (!address.starts_with(unixPrefix) || address.find(';') != std::string_view::npos) return false;
    auto keys = address.substr(unixPrefix.size());
    return keys.starts_with("path=") || keys.starts_with("abstract=") || keys.find(",path=") != std::string_view::npos ||
           keys.find(",abstract=") != std::string_view::npos;
}

}  // namespace accessibility
