// The window in AppKit: an NSWindow of 560 × 510 points, titled, closable
// and miniaturizable but not resizable, whose content view holds one
// vertical NSStackView of the seven elements; the status card is an NSBox
// with a stack of its own. Every label comes from one factory on
// NSTextField wrappingLabelWithString:, in the system font and AppKit's
// named colours, so the window follows the Mac's appearance and VoiceOver
// reads it as any native window.

#include "platform/macos/main_window_appkit.h"

#include "app/window_elements.h"
#include "platform/macos/appkit_colors.h"
#include "platform/macos/ns_bridge.h"

#include <utility>

using wendrel::WindowActions;

// The buttons' target: their actions by target–action, neither taking the
// sender.
@interface WendrelButtonTarget : NSObject
- (instancetype)initWithActions:(WindowActions)actions;
- (void)readAmap;
- (void)openPermissionSettings;
@end

@implementation WendrelButtonTarget {
    WindowActions _actions;
}

- (instancetype)initWithActions:(WindowActions)actions {
    if ((self = [super init])) _actions = std::move(actions);
    return self;
}

- (void)readAmap {
    _actions.read();
}

- (void)openPermissionSettings {
    _actions.openSettings();
}

@end

namespace wendrel::macos_desktop {
namespace {

namespace layout = wendrel::window;

// Texts that are not UTF-8 (never the table's) show as nothing.
NSString* ns(std::string_view text) {
    NSString* string = macos::nsStringFromUtf8(text);
    return string ? string : @"";
}

NSFontWeight fontWeight(layout::FontWeight weight) {
    switch (weight) {
        case layout::FontWeight::semibold: return NSFontWeightSemibold;
        case layout::FontWeight::bold: return NSFontWeightBold;
        case layout::FontWeight::regular: break;
    }
    return NSFontWeightRegular;
}

// The label factory: wrapping, selectable, the system font of its style's
// size and weight, its named colour, at most its lines.
NSTextField* label(const layout::LabelStyle& style, std::string_view text) {
    NSTextField* label = [NSTextField wrappingLabelWithString:ns(text)];
    label.font = [NSFont systemFontOfSize:style.size weight:fontWeight(style.weight)];
    label.textColor = systemColor(style.color);
    label.selectable = YES;
    if (style.maxLines > 0) label.maximumNumberOfLines = style.maxLines;
    return label;
}

}  // namespace

void AppKitMainWindow::open(WindowActions actions) {
    target_ = [[WendrelButtonTarget alloc] initWithActions:std::move(actions)];
    buildWindow();
    [window_ makeKeyAndOrderFront:nil];
    // activateIgnoringOtherApps: is deprecated from macOS 14 on; activate
    // brings the program to the front the same way at launch.
    [NSApp activate];
}

void AppKitMainWindow::buildWindow() {
    // 1. The window and its content view.
    window_ = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, layout::width, layout::height)
                                          styleMask:NSWindowStyleMaskTitled | NSWindowStyleMaskClosable |
                                                    NSWindowStyleMaskMiniaturizable
                                            backing:NSBackingStoreBuffered
                                              defer:NO];
    window_.title = ns(layout::title);
    [window_ center];
    window_.releasedWhenClosed = NO;
    NSView* content = [[NSView alloc] init];
    content.translatesAutoresizingMaskIntoConstraints = NO;
    window_.contentView = content;
    // The content view keeps the window's size: without translated
    // autoresizing it would otherwise take the stack's fitting size.
    [NSLayoutConstraint activateConstraints:@[
        [content.widthAnchor constraintEqualToConstant:layout::width],
        [content.heightAnchor constraintEqualToConstant:layout::height],
    ]];

    // 2. Banner, heading, explanation.
    NSTextField* banner = label(layout::bannerLabel, layout::bannerLabel.text);
    NSTextField* heading = label(layout::headingLabel, layout::headingLabel.text);
    NSTextField* explanation = label(layout::explanationLabel, layout::explanationLabel.text);

    // 3. The card, then its three labels.
    NSBox* card = [[NSBox alloc] init];
    card.boxType = NSBoxCustom;
    card.titlePosition = NSNoTitle;
    card.cornerRadius = layout::cardCornerRadius;
    card.fillColor = systemColor(layout::cardFill);
    card.borderColor = systemColor(layout::cardBorder);
    card.borderWidth = layout::cardBorderWidth;
    card.translatesAutoresizingMaskIntoConstraints = NO;
    statusLabel_ = label(layout::statusLabel, layout::statusLabel.text);
    routeLabel_ = label(layout::routeLabel, layout::routeLabel.text);
    resultLabel_ = label(layout::resultLabel, layout::resultLabel.text);

    // 4. The card's stack and its constraints.
    NSStackView* cardStack = [NSStackView stackViewWithViews:@[ statusLabel_, routeLabel_, resultLabel_ ]];
    cardStack.orientation = NSUserInterfaceLayoutOrientationVertical;
    cardStack.alignment = NSLayoutAttributeLeading;
    cardStack.spacing = layout::cardSpacing;
    cardStack.translatesAutoresizingMaskIntoConstraints = NO;
    card.contentView = cardStack;
    [NSLayoutConstraint activateConstraints:@[
        [cardStack.leadingAnchor constraintEqualToAnchor:card.leadingAnchor constant:layout::cardPaddingHorizontal],
        [cardStack.trailingAnchor constraintEqualToAnchor:card.trailingAnchor constant:-layout::cardPaddingHorizontal],
        [cardStack.topAnchor constraintEqualToAnchor:card.topAnchor constant:layout::cardPaddingVertical],
        [cardStack.bottomAnchor constraintLessThanOrEqualToAnchor:card.bottomAnchor
                                                         constant:-layout::cardPaddingVertical],
        [card.heightAnchor constraintGreaterThanOrEqualToConstant:layout::cardMinimumHeight],
    ]];

    // 5. The read button (Return presses it), then the settings button.
    readButton_ = [NSButton buttonWithTitle:ns(layout::readButtonTitle) target:target_ action:@selector(readAmap)];
    readButton_.bezelStyle = NSBezelStylePush;  // "rounded", value 1, renamed in macOS 14's SDK
    readButton_.controlSize = NSControlSizeLarge;
    readButton_.keyEquivalent = @"\r";
    settingsButton_ = [NSButton buttonWithTitle:ns(layout::settingsButtonTitle)
                                         target:target_
                                         action:@selector(openPermissionSettings)];
    settingsButton_.bezelStyle = NSBezelStylePush;
    settingsButton_.hidden = YES;

    // 6. The footer.
    NSTextField* footer = label(layout::footerLabel, layout::footerText());

    // 7. The main stack, in the table's order; a hidden view in a stack
    // view takes no room, so the settings button only shows when needed.
    NSMutableArray<NSView*>* views = [NSMutableArray arrayWithCapacity:layout::elements.size()];
    for (const layout::Element element : layout::elements) {
        switch (element) {
            case layout::Element::banner: [views addObject:banner]; break;
            case layout::Element::heading: [views addObject:heading]; break;
            case layout::Element::explanation: [views addObject:explanation]; break;
            case layout::Element::statusCard: [views addObject:card]; break;
            case layout::Element::readButton: [views addObject:readButton_]; break;
            case layout::Element::settingsButton: [views addObject:settingsButton_]; break;
            case layout::Element::footer: [views addObject:footer]; break;
        }
    }
    NSStackView* stack = [NSStackView stackViewWithViews:views];
    stack.orientation = NSUserInterfaceLayoutOrientationVertical;
    stack.alignment = NSLayoutAttributeLeading;
    stack.spacing = layout::spacing;
    stack.translatesAutoresizingMaskIntoConstraints = NO;
    [content addSubview:stack];

    [readButton_.widthAnchor constraintEqualToAnchor:stack.widthAnchor].active = YES;
    [settingsButton_.widthAnchor constraintEqualToAnchor:stack.widthAnchor].active = YES;
    [card.widthAnchor constraintEqualToAnchor:stack.widthAnchor].active = YES;
    [NSLayoutConstraint activateConstraints:@[
        [stack.leadingAnchor constraintEqualToAnchor:content.leadingAnchor constant:layout::marginLeading],
        [stack.trailingAnchor constraintEqualToAnchor:content.trailingAnchor constant:-layout::marginTrailing],
        [stack.topAnchor constraintEqualToAnchor:content.topAnchor constant:layout::marginTop],
        [stack.bottomAnchor constraintLessThanOrEqualToAnchor:content.bottomAnchor constant:-layout::marginBottom],
    ]];
}

void AppKitMainWindow::setStatus(std::string_view text, NamedColor color) {
    statusLabel_.stringValue = ns(text);
    statusLabel_.textColor = systemColor(color);
    // Drawn now: the accessibility walk may hold the main thread next.
    [window_ displayIfNeeded];
}

void AppKitMainWindow::setRouteText(std::string_view text) { routeLabel_.stringValue = ns(text); }

void AppKitMainWindow::setResultText(std::string_view text) { resultLabel_.stringValue = ns(text); }

void AppKitMainWindow::setReadEnabled(bool enabled) { readButton_.enabled = enabled; }

void AppKitMainWindow::showSettingsButton(std::string_view title) {
    settingsButton_.title = ns(title);
    settingsButton_.hidden = NO;
}

void AppKitMainWindow::hideSettingsButton() { settingsButton_.hidden = YES; }

void AppKitMainWindow::postToMainThread(std::function<void()> work) {
    dispatch_async(dispatch_get_main_queue(), ^{
      work();
    });
}

}  // namespace wendrel::macos_desktop
