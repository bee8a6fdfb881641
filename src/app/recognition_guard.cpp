#include "app/recognition_guard.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace wendrel {
namespace {

using Clock = std::chrono::steady_clock;
using Strings = Expected<std::vector<std::string>, VisionError>;

const char* const timedOut =
    "屏幕文字识别超过 30 秒仍未完成，系统的文字识别可能卡住了。请退出 Wendrel 并重新打开，然后再读取。";
const char* const stillHanging =
    "上一次屏幕文字识别仍未完成，系统的文字识别卡住了。请退出 Wendrel 并重新打开，然后再读取。";
const char* const notReady = "系统的文字识别没能准备好。请退出 Wendrel 并重新打开，然后再读取。";

VisionError guardError(long code, const char* message) {
    return VisionError(PlatformError{std::string(recognitionGuardDomain), code, message});
}

}  // namespace

bool recogniserUnusable(const VisionError& error) {
    return !error.isReaderError() && error.platformError().domain == recognitionGuardDomain;
}

// Shared with the recognition threads, which may outlive the guard.
struct RecognitionGuard::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool running = false;
    Clock::time_point started;
    std::optional<Strings> result;
    bool warmUpFailed = false;
    bool closed = false;

    bool hanging(std::chrono::milliseconds limit) const { return running && Clock::now() - started >= limit; }
};

RecognitionGuard::RecognitionGuard(std::shared_ptr<ScreenReader> reader, std::chrono::milliseconds limit)
    : reader_(std::move(reader)), limit_(limit), state_(std::make_shared<State>()) {}

RecognitionGuard::~RecognitionGuard() { close(); }

void RecognitionGuard::warmUp() {
    const std::lock_guard lock(state_->mutex);
    if (state_->running || state_->closed) return;
    state_->running = true;
    state_->started = Clock::now();
    std::thread([state = state_, reader = reader_] {
        const std::optional<VisionError> error = reader->warmUpRecognition();
        const std::lock_guard done(state->mutex);
        state->running = false;
        // Nothing recognised in the sample is no fault of the recogniser.
        if (error && !error->isReaderError()) state->warmUpFailed = true;
        state->changed.notify_all();
    }).detach();
}

Strings RecognitionGuard::recognizeRouteStrings(WindowImage image) {
    std::unique_lock lock(state_->mutex);
    const Clock::time_point deadline = Clock::now() + limit_;
    // A warm-up still under way is waited for within its own limit.
    while (state_->running && !state_->closed) {
        if (state_->hanging(limit_)) return guardError(2, stillHanging);
        state_->changed.wait_until(lock, std::min(deadline, state_->started + limit_));
        if (Clock::now() >= deadline && state_->running) return guardError(1, timedOut);
    }
    if (state_->closed) return guardError(3, stillHanging);
    if (state_->warmUpFailed) return guardError(4, notReady);

    state_->running = true;
    state_->started = Clock::now();
    state_->result.reset();
    std::thread([state = state_, reader = reader_, image = std::move(image)] {
        Strings strings = reader->recognizeRouteStrings(image);
        const std::lock_guard done(state->mutex);
        state->running = false;
        state->result.emplace(std::move(strings));
        state->changed.notify_all();
    }).detach();

    state_->changed.wait_until(lock, deadline, [this] { return !state_->running || state_->closed; });
    if (state_->running) return guardError(1, timedOut);
    Strings strings = std::move(*state_->result);
    state_->result.reset();
    return strings;
}

std::optional<VisionError> RecognitionGuard::unusable() const {
    const std::lock_guard lock(state_->mutex);
    if (state_->hanging(limit_)) return guardError(2, stillHanging);
    if (state_->warmUpFailed) return guardError(4, notReady);
    return std::nullopt;
}

bool RecognitionGuard::running() const {
    const std::lock_guard lock(state_->mutex);
    return state_->running;
}

void RecognitionGuard::close() {
    std::unique_lock lock(state_->mutex);
    state_->closed = true;
    state_->changed.notify_all();
    // The recogniser's models live until the process ends: a recognition
    // still running then would use them while they are destroyed. So the
    // application waits for it, but no longer than its limit.
    state_->changed.wait_until(lock, state_->started + limit_, [this] { return !state_->running; });
}

}  // namespace wendrel
