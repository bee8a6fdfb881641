#include "platform/linux/linux_services.h"

namespace wendrel {
namespace {

// There is no privacy settings page to open on Linux: screen capture needs
// no grant, and the settings button only appears when no usable X display
// is reachable, which no settings page can fix.
class NoSettingsPage final : public SettingsOpener {
public:
    void openPrivacySettings(std::string_view) override {}
};

}  // namespace

DesktopServices makeDesktopServices(std::unique_ptr<AccessibilityHarvest> accessibilityHarvest,
                                    std::unique_ptr<ScreenReader> screenReader) {
    DesktopServices services;
    services.runningApplications = linux_desktop::makeX11RunningApplications();
    services.accessibilityTrust = linux_desktop::makeAtSpiAccessibilityTrust();
    services.screenCapture = linux_desktop::makeX11ScreenCaptureAccess();
    services.clipboard = linux_desktop::makeQtClipboard();
    services.sounds = linux_desktop::makeLinuxSounds();
    services.settings = std::make_unique<NoSettingsPage>();
    services.accessibilityHarvest = std::move(accessibilityHarvest);
    services.screenReader = std::move(screenReader);
    return services;
}

}  // namespace wendrel
