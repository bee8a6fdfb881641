#pragma once
// Fake desktop services that record what the application asked of them and
// answer what the test set up. The screen reader's answers are fixed before
// a read starts, so the background task only reads them.

#include "app/desktop_services.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct FakeDesktop {
    std::vector<std::int32_t> pids{4242};
    bool trusted = false;
    bool screenPreflight = true;
    bool screenRequest = false;
    bool clipboardAccepts = true;
    std::vector<std::string> accessibilityStrings;
    std::optional<VisionError> captureError;
    std::optional<VisionError> recognitionError;
    std::vector<std::string> recognizedStrings;
    // Set by a test that needs the capture to hold until it lets go.
    std::function<void()> captureHook;

    std::vector<bool> trustPrompts;
    int preflightCalls = 0;
    int requestCalls = 0;
    std::vector<std::int32_t> harvestedPids;
    std::optional<std::string> clipboard;
    int successSounds = 0;
    int alerts = 0;
    std::function<void()> onAlert;
    std::vector<std::string> settingsOpened;
    std::atomic<int> captures{0};
    std::atomic<int> recognitions{0};

    wendrel::DesktopServices services();
    QColor colorOf(wendrel::NamedColor name) const;
};
