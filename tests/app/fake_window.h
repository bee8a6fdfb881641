#pragma once
// A window that records what the application showed in it, and a main
// thread that runs the queued hand-offs only when the test says so.

#include "app/main_window.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct FakeWindow final : wendrel::MainWindow {
    bool opened = false;
    wendrel::WindowActions actions;
    std::string status;
    wendrel::NamedColor statusColor = wendrel::NamedColor::label;
    std::vector<std::string> statuses;  // every status shown, in order
    std::string route = "尚未读取路线";
    std::string result = "请先在高德地图选择“货车 → 重型货车 → 开始路线规划”。";
    bool readEnabled = true;
    int disables = 0;  // times the read button went from enabled to disabled
    bool settingsShown = false;
    std::string settingsTitle = "打开屏幕录制设置";

    void open(wendrel::WindowActions a) override;
    void setStatus(std::string_view text, wendrel::NamedColor color) override;
    void setRouteText(std::string_view text) override { route = text; }
    void setResultText(std::string_view text) override { result = text; }
    void setReadEnabled(bool enabled) override;
    void showSettingsButton(std::string_view title) override;
    void hideSettingsButton() override { settingsShown = false; }
    void postToMainThread(std::function<void()> work) override;

    // Runs the hand-offs queued so far, as the main thread's event loop
    // would; the number run.
    int runPosted();
    // Presses a button: nothing when it is disabled or hidden.
    void pressRead();
    void pressSettings();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};
