#pragma once
// The macOS implementations of the application's services, each in its own
// file; desktop_services_macos.cpp puts them together. No Qt.

#include "app/desktop_services.h"

#include <memory>

namespace wendrel::macos_desktop {

// NSRunningApplication runningApplicationsWithBundleIdentifier:, in its
// order, by processIdentifier (instances without a process are left out).
std::unique_ptr<RunningApplications> makeAppKitRunningApplications();

// AXIsProcessTrusted; with prompt, AXIsProcessTrustedWithOptions with
// kAXTrustedCheckOptionPrompt so the system asks the user.
std::unique_ptr<AccessibilityTrust> makeAxAccessibilityTrust();

// CGPreflightScreenCaptureAccess and CGRequestScreenCaptureAccess; the
// capture service asked is SCShareableContent.
std::unique_ptr<ScreenCaptureAccess> makeCgScreenCaptureAccess();

// The general pasteboard (NSPasteboard): cleared, then the plain text.
std::unique_ptr<Clipboard> makeAppKitPasteboard();

// NSSound "Glass" for success, NSBeep for the alert.
std::unique_ptr<Sounds> makeAppKitSounds();

// NSWorkspace opens the Privacy & Security page of System Settings.
std::unique_ptr<SettingsOpener> makeWorkspaceSettingsOpener();

}  // namespace wendrel::macos_desktop
