// The program's entry on Linux: one QApplication, the Qt window, one
// WendrelApp, the event loop. Nothing is taken from the command line.

#include "app/desktop_services.h"
#include "app/system_readers.h"
#include "app/wendrel_app.h"
#include "platform/linux/linux_services.h"
#include "platform/qt/main_window_qt.h"

#include <QApplication>
#include <QTimer>

int main(int, char**) {
    // Qt reads options such as -platform from argv; the program takes none,
    // so it hands Qt only its own name.
    static char programName[] = "wendrel";
    static char* arguments[] = {programName, nullptr};
    int argumentCount = 1;
    QApplication application(argumentCount, arguments);
    QApplication::setApplicationName(QStringLiteral("Wendrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Wendrel"));
    // Closing the window quits; nothing is saved.
    QApplication::setQuitOnLastWindowClosed(true);

    wendrel::qt_desktop::QtMainWindow window(wendrel::linux_desktop::makePaletteColorScheme());
    WendrelApp wendrel(wendrel::makeDesktopServices(wendrel::makeSystemAccessibilityHarvest(),
                                                    wendrel::makeSystemScreenReader()),
                       window);
    QTimer::singleShot(0, &application, [&wendrel] { wendrel.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
