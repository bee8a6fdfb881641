#include "platform/linux/linux_services.h"

#include <QApplication>
#include <QPalette>

namespace wendrel::linux_desktop {
namespace {

struct LightDark {
    QColor light;
    QColor dark;
};

// Accent colours have no palette role; these read well on the light and the
// dark window backgrounds of the common Qt themes.
LightDark accent(NamedColor name) {
    switch (name) {
    case NamedColor::teal: return {QColor(0, 130, 153), QColor(64, 200, 224)};
    case NamedColor::blue: return {QColor(0, 110, 230), QColor(64, 156, 255)};
    case NamedColor::red: return {QColor(215, 38, 30), QColor(255, 105, 97)};
    case NamedColor::green: return {QColor(28, 140, 58), QColor(48, 209, 88)};
    case NamedColor::orange: return {QColor(201, 104, 0), QColor(255, 159, 10)};
    default: return {};
    }
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

class PaletteColorScheme final : public ColorScheme {
public:
    QColor color(NamedColor name) override {
        const QPalette palette = QApplication::palette();
        switch (name) {
        case NamedColor::label: return palette.color(QPalette::Active, QPalette::WindowText);
        // Secondary text is the window text, slightly receded, so that it
        // follows whatever theme is in force.
        case NamedColor::secondaryLabel: return withAlpha(palette.color(QPalette::Active, QPalette::WindowText), 0.72);
        case NamedColor::tertiaryLabel: return palette.color(QPalette::Active, QPalette::PlaceholderText);
        case NamedColor::controlBackground: return palette.color(QPalette::Active, QPalette::Base);
        case NamedColor::separator: return palette.color(QPalette::Active, QPalette::Mid);
        default: break;
        }
        const bool dark = palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
        const LightDark pair = accent(name);
        return dark ? pair.dark : pair.light;
    }
};

}  // namespace

std::unique_ptr<ColorScheme> makePaletteColorScheme() { return std::make_unique<PaletteColorScheme>(); }

}  // namespace wendrel::linux_desktop
