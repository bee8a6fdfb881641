#import <AppKit/AppKit.h>

#include "platform/macos/macos_services.h"

namespace wendrel::macos_desktop {
namespace {

NSColor* systemColor(NamedColor name) {
    switch (name) {
        case NamedColor::label: return NSColor.labelColor;
        case NamedColor::secondaryLabel: return NSColor.secondaryLabelColor;
        case NamedColor::tertiaryLabel: return NSColor.tertiaryLabelColor;
        case NamedColor::controlBackground: return NSColor.controlBackgroundColor;
        case NamedColor::separator: return NSColor.separatorColor;
        case NamedColor::teal: return NSColor.systemTealColor;
        case NamedColor::blue: return NSColor.systemBlueColor;
        case NamedColor::red: return NSColor.systemRedColor;
        case NamedColor::green: return NSColor.systemGreenColor;
        case NamedColor::orange: return NSColor.systemOrangeColor;
    }
    return NSColor.labelColor;
}

// The colour's sRGB components; a colour that has none (a pattern) gives an
// invalid QColor, which Qt draws with the palette's own.
QColor qColorOf(NSColor* color) {
    NSColor* rgb = [color colorUsingColorSpace:NSColorSpace.sRGBColorSpace];
    if (!rgb) return {};
    CGFloat red = 0, green = 0, blue = 0, alpha = 0;
    [rgb getRed:&red green:&green blue:&blue alpha:&alpha];
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue),
                            static_cast<float>(alpha));
}

class AppKitColorScheme final : public ColorScheme {
public:
    QColor color(NamedColor name) override {
        @autoreleasepool {
            // System colours are dynamic: resolve them in the light or dark
            // appearance the application is drawn in now.
            __block QColor resolved;
            NSAppearance* appearance = NSApp ? NSApp.effectiveAppearance : nil;
            if (!appearance) return qColorOf(systemColor(name));
            [appearance performAsCurrentDrawingAppearance:^{
              resolved = qColorOf(systemColor(name));
            }];
            return resolved;
        }
    }
};

}  // namespace

std::unique_ptr<ColorScheme> makeAppKitColorScheme() { return std::make_unique<AppKitColorScheme>(); }

}  // namespace wendrel::macos_desktop
