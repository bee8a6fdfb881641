#include "platform/privacy_settings.h"

namespace platform_settings {

std::string privacySettingsUrl(std::string_view permission) {
    const std::string_view anchor = permission == "screen" ? "Privacy_ScreenCapture" : "Privacy_Accessibility";
    return std::string("x-apple.systempreferences:com.apple.preference.security?").append(anchor);
}

}  // namespace platform_settings
