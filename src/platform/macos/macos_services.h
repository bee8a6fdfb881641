#pragma once
// The macOS implementations of the application's services, each in its own
// file; desktop_services_macos.cpp puts them together with the Qt ones that
// do exactly what AppKit would (clipboard, opening the settings page).

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

// NSSound "Glass" for success, NSBeep for the alert.
std::unique_ptr<Sounds> makeAppKitSounds();

// NSColor's system colours in the application's current appearance.
std::unique_ptr<ColorScheme> makeAppKitColorScheme();

}  // namespace wendrel::macos_desktop
