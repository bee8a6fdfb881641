#include "fake_window.h"

void FakeWindow::open(wendrel::WindowActions a) {
    opened = true;
    actions = std::move(a);
}

void FakeWindow::setStatus(std::string_view text, wendrel::NamedColor color) {
    status = text;
    statusColor = color;
    statuses.push_back(status);
}

void FakeWindow::setReadEnabled(bool enabled) {
    if (readEnabled && !enabled) ++disables;
    readEnabled = enabled;
}

void FakeWindow::showSettingsButton(std::string_view title) {
    settingsShown = true;
    settingsTitle = title;
}

void FakeWindow::postToMainThread(std::function<void()> work) {
    const std::lock_guard lock(mutex_);
    posted_.push_back(std::move(work));
}

int FakeWindow::runPosted() {
    std::deque<std::function<void()>> work;
    {
        const std::lock_guard lock(mutex_);
        work.swap(posted_);
    }
    for (auto& w : work) w();
    return static_cast<int>(work.size());
}

void FakeWindow::pressRead() {
    if (readEnabled) actions.read();
}

void FakeWindow::pressSettings() {
    if (settingsShown) actions.openSettings();
}
