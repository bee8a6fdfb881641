// The program's entry on macOS: the shared NSApplication, its delegate (the
// Objective-C side of WendrelApp), a regular application's activation
// policy, the event loop. Nothing is taken from the command line.

#import <AppKit/AppKit.h>

#include "app/desktop_services.h"
#include "app/system_readers.h"
#include "app/wendrel_app.h"
#include "platform/macos/main_window_appkit.h"

// Launch, quit on the last window's close, and the end of the run.
@interface WendrelAppDelegate : NSObject <NSApplicationDelegate>
- (instancetype)initWithApp:(WendrelApp*)app;
@end

@implementation WendrelAppDelegate {
    WendrelApp* _app;
}

- (instancetype)initWithApp:(WendrelApp*)app {
    if ((self = [super init])) _app = app;
    return self;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
    (void)notification;
    _app->applicationDidFinishLaunching();
}

- (BOOL)applicationShouldTerminateAfterLastWindowClosed:(NSApplication*)sender {
    (void)sender;
    return YES;
}

// terminate: ends the process from within run, so no destructor of main's
// runs: a screen read still under way is let go of here.
- (void)applicationWillTerminate:(NSNotification*)notification {
    (void)notification;
    _app->applicationWillTerminate();
}

@end

int main() {
    @autoreleasepool {
        NSApplication* application = NSApplication.sharedApplication;
        wendrel::macos_desktop::AppKitMainWindow window;
        WendrelApp wendrel(wendrel::makeDesktopServices(wendrel::makeSystemAccessibilityHarvest(),
                                                        wendrel::makeSystemScreenReader()),
                           window);
        // The application holds its delegate weakly; main holds it until run returns.
        WendrelAppDelegate* delegate = [[WendrelAppDelegate alloc] initWithApp:&wendrel];
        application.delegate = delegate;
        [application setActivationPolicy:NSApplicationActivationPolicyRegular];
        [application run];
    }
    return 0;
}
