// The program's entry: one application object, one WendrelApp, the event loop.
// Nothing is taken from the command line.

#include "app/desktop_services.h"
#include "app/system_readers.h"
#include "app/wendrel_app.h"

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

    WendrelApp wendrel(wendrel::makeDesktopServices(wendrel::makeSystemAccessibilityHarvest(),
                                                    wendrel::makeSystemScreenReader()));
    QTimer::singleShot(0, &wendrel, [&wendrel] { wendrel.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
