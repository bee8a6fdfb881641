// The panel drawn with CoreGraphics and CoreText in the system's font, in
// the places bench/ocr_panel.cpp gives them (which the layout's rules were
// drawn up against): the 432-point sidebar, origin and destination at 58
// points from its left edge, 62 and 112 from the top, the options' cards
// 130 points apart from 200 points down, each with label, travel time
// (larger, bold), distance and toll centred one under the other.

#include "panel_image.h"

#import <CoreGraphics/CoreGraphics.h>
#import <CoreText/CoreText.h>
#import <Foundation/Foundation.h>

#include "platform/macos/cf_ref.h"

namespace panel_image {
namespace {

using macos::CfRef;

constexpr int windowWidth = 1440, windowHeight = 900, scale = 2;
constexpr double sidebarWidth = 432, columnPitch = 130, pointSize = 13;

struct Colours {
    double map[3], sidebar[3], text[3], secondary[3];
};

Colours coloursOf(bool dark) {
    if (dark) return {{0.14, 0.15, 0.17}, {0.12, 0.12, 0.14}, {0.91, 0.92, 0.93}, {0.60, 0.63, 0.65}};
    return {{0.95, 0.94, 0.91}, {1, 1, 1}, {0.12, 0.14, 0.16}, {0.53, 0.55, 0.59}};
}

// One line of text with its top at `top` (points from the window's top),
// its left edge at `x`, or centred on `x`.
void drawLine(CGContextRef context, const std::string& text, double x, double top, double size, bool bold,
              const double (&colour)[3], bool centred) {
    NSString* string = [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
    if (!string) return;
    CTFontRef base = CTFontCreateUIFontForLanguage(bold ? kCTFontUIFontEmphasizedSystem : kCTFontUIFontSystem, size,
                                                   CFSTR("zh-Hans"));
    const CfRef<CTFontRef> font(base);
    NSDictionary* attributes = @{
        (__bridge NSString*)kCTFontAttributeName : (__bridge id)font.get(),
        (__bridge NSString*)kCTForegroundColorFromContextAttributeName : @YES,
    };
    NSAttributedString* attributed = [[NSAttributedString alloc] initWithString:string attributes:attributes];
    const CfRef<CTLineRef> line(CTLineCreateWithAttributedString((__bridge CFAttributedStringRef)attributed));
    CGFloat ascent = 0, descent = 0, leading = 0;
    const double width = CTLineGetTypographicBounds(line.get(), &ascent, &descent, &leading);
    CGContextSetRGBFillColor(context, colour[0], colour[1], colour[2], 1);
    // The context is flipped to top-down points; text is drawn upright.
    CGContextSetTextMatrix(context, CGAffineTransformMakeScale(1, -1));
    CGContextSetTextPosition(context, centred ? x - width / 2 : x, top + ascent);
    CTLineDraw(line.get(), context);
}

}  // namespace

WindowImage render(const Panel& panel) {
    WindowImage image{windowWidth * scale, windowHeight * scale, {}};
    image.rgba.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4, 0);
    const CfRef<CGColorSpaceRef> sRGB(CGColorSpaceCreateWithName(kCGColorSpaceSRGB));
    const CfRef<CGContextRef> context(CGBitmapContextCreate(
        image.rgba.data(), static_cast<std::size_t>(image.width), static_cast<std::size_t>(image.height), 8,
        static_cast<std::size_t>(image.width) * 4, sRGB.get(),
        static_cast<uint32_t>(kCGImageAlphaPremultipliedLast) | kCGBitmapByteOrder32Big));
    if (!context) return {};
    CGContextTranslateCTM(context.get(), 0, image.height);
    CGContextScaleCTM(context.get(), scale, -scale);

    const Colours c = coloursOf(panel.dark);
    CGContextSetRGBFillColor(context.get(), c.map[0], c.map[1], c.map[2], 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, windowWidth, windowHeight));
    CGContextSetRGBFillColor(context.get(), c.sidebar[0], c.sidebar[1], c.sidebar[2], 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, sidebarWidth, windowHeight));

    drawLine(context.get(), panel.origin, 58, 62, pointSize, false, c.text, false);
    drawLine(context.get(), panel.destination, 58, 112, pointSize, false, c.text, false);
    const double top = 200;
    const double timeTop = top + 1.9 * pointSize;
    const double distanceTop = timeTop + 1.55 * (pointSize + 5);
    const double left = (sidebarWidth - columnPitch * static_cast<double>(panel.columns.size())) / 2;
    for (std::size_t i = 0; i < panel.columns.size(); ++i) {
        const Column& column = panel.columns[i];
        const double centre = left + columnPitch * (static_cast<double>(i) + 0.5);
        drawLine(context.get(), column.label, centre, top, pointSize, false, c.secondary, true);
        drawLine(context.get(), column.travelTime, centre, timeTop, pointSize + 5, true, c.text, true);
        drawLine(context.get(), column.distance, centre, distanceTop, pointSize, false, c.secondary, true);
        drawLine(context.get(), column.toll, centre, distanceTop + 1.7 * pointSize, pointSize - 1, false, c.secondary,
                 true);
    }
    return image;
}

}  // namespace panel_image
