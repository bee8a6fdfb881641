#include "platform/macos/macos_services.h"
#include "platform/qt/qt_services.h"

namespace wendrel {

DesktopServices makeDesktopServices(std::unique_ptr<AccessibilityHarvest> accessibilityHarvest,
                                    std::unique_ptr<ScreenReader> screenReader) {
    DesktopServices services;
    services.runningApplications = macos_desktop::makeAppKitRunningApplications();
    services.accessibilityTrust = macos_desktop::makeAxAccessibilityTrust();
    services.screenCapture = macos_desktop::makeCgScreenCaptureAccess();
    // QClipboard's plain text is the general pasteboard's string, and
    // QDesktopServices::openUrl hands the settings address to the workspace.
    services.clipboard = qt_desktop::makeQtClipboard();
    services.sounds = macos_desktop::makeAppKitSounds();
    services.settings = qt_desktop::makeQtSettingsOpener();
    services.colors = macos_desktop::makeAppKitColorScheme();
    services.accessibilityHarvest = std::move(accessibilityHarvest);
    services.screenReader = std::move(screenReader);
    return services;
}

}  // namespace wendrel
