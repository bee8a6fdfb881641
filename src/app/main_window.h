#pragma once
// The one window as WendrelApp sees it: a few texts, a colour, two buttons
// and the main thread. Each platform builds it from the element table
// (window_elements.h): Qt on Linux, AppKit on macOS.

#include <functional>
#include <string_view>

namespace wendrel {

// The named colours the window uses, resolved by each platform in its
// current appearance (light or dark).
enum class NamedColor {
    label,
    secondaryLabel,
    tertiaryLabel,
    controlBackground,
    separator,
    teal,
    blue,
    red,
    green,
    orange,
};

// What the two buttons do (the Return key presses the read button).
struct WindowActions {
    std::function<void()> read;
    std::function<void()> openSettings;
};

class MainWindow {
public:
    virtual ~MainWindow() = default;

    // Builds the window from the element table, shows it as the key window
    // and brings the program to the front. Called once, at launch.
    virtual void open(WindowActions actions) = 0;

    // Each change shows at once, also while the main thread stays busy
    // afterwards (the accessibility walk).
    virtual void setStatus(std::string_view text, NamedColor color) = 0;
    virtual void setRouteText(std::string_view text) = 0;
    virtual void setResultText(std::string_view text) = 0;
    virtual void setReadEnabled(bool enabled) = 0;
    // Shown with `title`; a hidden settings button takes no room.
    virtual void showSettingsButton(std::string_view title) = 0;
    virtual void hideSettingsButton() = 0;

    // From any thread: queues `work` to run on the main thread, where the
    // window lives. Work queued after the window is gone is dropped.
    virtual void postToMainThread(std::function<void()> work) = 0;
};

}  // namespace wendrel
