#pragma once
// Services that Qt gives the same on every desktop, shared by the platforms
// whose native service does exactly what Qt does.

#include "app/desktop_services.h"

#include <memory>

namespace wendrel::qt_desktop {

// The system clipboard's plain text through QClipboard (on macOS the general
// pasteboard's string), checked by reading it back.
std::unique_ptr<Clipboard> makeQtClipboard();

// Opens the privacy settings page with QDesktopServices::openUrl; an address
// the system refuses is ignored.
std::unique_ptr<SettingsOpener> makeQtSettingsOpener();

}  // namespace wendrel::qt_desktop
