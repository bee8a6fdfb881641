#pragma once
// The window's named colours as AppKit's system colours (Objective-C++).

#import <AppKit/AppKit.h>

#include "app/main_window.h"

namespace wendrel::macos_desktop {

// Dynamic colours: AppKit draws each in the window's current appearance.
NSColor* systemColor(NamedColor name);

}  // namespace wendrel::macos_desktop
