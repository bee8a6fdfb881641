#pragma once
// The Linux desktop's implementations of the application's services, each in
// its own file; desktop_services_linux.cpp puts them together.

#include "app/desktop_services.h"
#include "platform/qt/qt_services.h"

#include <memory>

namespace wendrel::linux_desktop {

// Processes owning a viewable X11 client window whose WM_CLASS instance or
// class equals the identifier, in the window list's order.
std::unique_ptr<RunningApplications> makeX11RunningApplications();

// The session's accessibility bus (org.a11y.Bus) answers and its
// org.a11y.Status IsEnabled is true; asking with prompt switches it on.
std::unique_ptr<AccessibilityTrust> makeAtSpiAccessibilityTrust();

// Window capture needs a reachable X display with the Composite extension;
// there is nothing to ask the user for.
std::unique_ptr<ScreenCaptureAccess> makeX11ScreenCaptureAccess();

// The CLIPBOARD selection through QClipboard, checked by reading it back.
using qt_desktop::makeQtClipboard;

// The sound theme's "complete" event through libcanberra when built with it;
// the alert is QApplication::beep().
std::unique_ptr<Sounds> makeLinuxSounds();

// Colours from the application palette where a role exists, fixed light and
// dark values for the accent colours; the Qt window draws with them.
std::unique_ptr<ColorScheme> makePaletteColorScheme();

}  // namespace wendrel::linux_desktop
