#include "platform/macos/macos_services.h"

namespace wendrel {

DesktopServices makeDesktopServices(std::unique_ptr<AccessibilityHarvest> accessibilityHarvest,
                                    std::unique_ptr<ScreenReader> screenReader) {
    DesktopServices services;
    services.runningApplications = macos_desktop::makeAppKitRunningApplications();
    services.accessibilityTrust = macos_desktop::makeAxAccessibilityTrust();
    services.screenCapture = macos_desktop::makeCgScreenCaptureAccess();
    services.clipboard = macos_desktop::makeAppKitPasteboard();
    services.sounds = macos_desktop::makeAppKitSounds();
    services.settings = macos_desktop::makeWorkspaceSettingsOpener();
    services.accessibilityHarvest = std::move(accessibilityHarvest);
    services.screenReader = std::move(screenReader);
    return services;
}

}  // namespace wendrel
