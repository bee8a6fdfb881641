#pragma once
// The window on macOS, built with AppKit from the element table
// (Objective-C++; included by .mm files only).

#import <AppKit/AppKit.h>

#include "app/main_window.h"

@class WendrelButtonTarget;

namespace wendrel::macos_desktop {

class AppKitMainWindow final : public MainWindow {
public:
    void open(WindowActions actions) override;
    void setStatus(std::string_view text, NamedColor color) override;
    void setRouteText(std::string_view text) override;
    void setResultText(std::string_view text) override;
    void setReadEnabled(bool enabled) override;
    void showSettingsButton(std::string_view title) override;
    void hideSettingsButton() override;
    // On the main queue.
    void postToMainThread(std::function<void()> work) override;

private:
    void buildWindow();

    WendrelButtonTarget* target_ = nil;
    NSWindow* window_ = nil;
    NSTextField* statusLabel_ = nil;
    NSTextField* routeLabel_ = nil;
    NSTextField* resultLabel_ = nil;
    NSButton* readButton_ = nil;
    NSButton* settingsButton_ = nil;
};

}  // namespace wendrel::macos_desktop
