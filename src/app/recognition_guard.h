#pragma once
// Text recognition under a time limit. The platform's recogniser may hang
// on a process's first request (Vision prepares its accurate model for the
// Neural Engine then, which can take a minute or fail) and, once it has
// failed, fail every later request of the process. So each recognition runs
// on a thread of its own and the read waits for it at most `limit`: past
// that the read fails with a message that says to quit and reopen Wendrel,
// the stuck request keeps its thread, no second one is started while it
// hangs, and a later read is told so at once.

#include "app/desktop_services.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wendrel {

// How long one recognition may take before the read gives up on it.
inline constexpr std::chrono::milliseconds recognitionTimeLimit{30'000};

// The domain of the guard's own failures (PlatformError::domain).
inline constexpr std::string_view recognitionGuardDomain = "WendrelRecognition";

// Whether the read failed because the recogniser hangs or could not be
// readied: its message stands alone, since trying again cannot help.
bool recogniserUnusable(const VisionError& error);

class RecognitionGuard {
public:
    RecognitionGuard(std::shared_ptr<ScreenReader> reader, std::chrono::milliseconds limit);
    ~RecognitionGuard();
    RecognitionGuard(const RecognitionGuard&) = delete;
    RecognitionGuard& operator=(const RecognitionGuard&) = delete;

    // Readies the recogniser on its thread and returns at once; nothing
    // when a recognition already runs. A warm-up that fails or outlasts the
    // limit makes the recogniser unusable for this process.
    void warmUp();

    // From the read task: the reader's recognition of `image`, waited for
    // at most the limit (counted from this call, a running warm-up
    // included).
    Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(WindowImage image);

    // The failure a read would meet at once: a recognition that outlasted
    // its limit and has not ended, or a failed warm-up.
    std::optional<VisionError> unusable() const;

    // Whether a recognition or the warm-up has not ended yet.
    bool running() const;

    // The application is going away: a waiting read returns at once, and
    // a running recognition is waited for within its limit.
    void close();

private:
    struct State;
    std::shared_ptr<ScreenReader> reader_;
    std::chrono::milliseconds limit_;
    std::shared_ptr<State> state_;
};

}  // namespace wendrel
