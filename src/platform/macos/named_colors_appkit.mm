#include "platform/macos/appkit_colors.h"

namespace wendrel::macos_desktop {

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

}  // namespace wendrel::macos_desktop
