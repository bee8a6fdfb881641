#pragma once
// Fake desktop services that record what the application asked of them and
// answer what the test set up. The screen reader's answers are fixed before
// a read starts, so the background task only reads them.

#include "app/desktop_services.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Owned through a shared_ptr: the recogniser's fake is called on threads
// that may outlive the test's own objects, and keeps the desktop alive.
struct FakeDesktop : std::enable_shared_from_this<FakeDesktop> {
    std::vector<std::int32_t> pids{4242};
    bool trusted = false;
    bool screenPreflight = true;
    bool screenRequest = false;
    bool clipboardAccepts = true;
    std::vector<std::string> accessibilityStrings;
    std::optional<VisionError> captureError;
    std::optional<VisionError> recognitionError;
    std::vector<std::string> recognizedStrings;
    // Set by a test that needs the capture, the recognition or the warm-up
    // to hold until it lets go.
    std::function<void()> captureHook;
    std::function<void()> recognitionHook;
    std::function<void()> warmUpHook;
    std::optional<VisionError> warmUpError;

    std::vector<bool> trustPrompts;
    int preflightCalls = 0;
    int requestCalls = 0;
    // "preflight", "request" and "ask capture service", in the order asked.
    std::vector<std::string> captureAccessCalls;
    std::vector<std::int32_t> harvestedPids;
    std::optional<std::string> clipboard;
    int successSounds = 0;
    int alerts = 0;
    std::function<void()> onAlert;
    std::vector<std::string> settingsOpened;
    std::atomic<int> captures{0};
    std::atomic<int> recognitions{0};
    std::atomic<int> warmUps{0};
    std::atomic<int> recognitionsEnded{0};  // warm-ups included

    wendrel::DesktopServices services();
};

// Holds a capture, a recognition or a warm-up until released (at most five
// seconds).
class CaptureGate {
public:
    std::function<void()> hook() {
        return [this] {
            std::unique_lock lock(mutex_);
            released_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; });
        };
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool open_ = false;
};
