#pragma once
// The address of the system settings page that grants a permission.

#include <string>
#include <string_view>

namespace platform_settings {

// "screen" opens the Screen Recording list of Privacy & Security; any other
// permission opens its Accessibility list.
std::string privacySettingsUrl(std::string_view permission);

}  // namespace platform_settings
