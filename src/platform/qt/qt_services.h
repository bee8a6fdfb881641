#pragma once
// What the Linux desktop does through Qt: the clipboard, and the colours the
// Qt window draws with.

#include "app/desktop_services.h"
#include "app/main_window.h"

#include <QColor>

#include <memory>

namespace wendrel {

// The named colours as the Qt window draws them, resolved by the platform.
class ColorScheme {
public:
    virtual ~ColorScheme() = default;
    virtual QColor color(NamedColor name) = 0;
};

}  // namespace wendrel

namespace wendrel::qt_desktop {

// The system clipboard's plain text through QClipboard, checked by reading
// it back.
std::unique_ptr<Clipboard> makeQtClipboard();

}  // namespace wendrel::qt_desktop
