#pragma once
// Hands the outcome of a platform call that answers through a completion
// handler, on a thread of its own, to the code waiting for it. The first
// outcome wins; a second call of the handler, or one that comes after the
// waiter gave up, changes nothing and never touches freed memory (the state
// is shared by the handler and the waiter).

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace completion {

// Copies share one outcome: the waiter keeps one, each handler holds a copy
// (a block captures it as a const copy, hence the const members).
template <typename T>
class Once {
public:
    // True when this was the first outcome.
    bool deliver(T value) const {
        {
            const std::lock_guard lock(state_->mutex);
            if (state_->delivered) return false;
            state_->delivered = true;
            state_->value.emplace(std::move(value));
        }
        state_->ready.notify_all();
        return true;
    }

    // The outcome, or nothing when none came within `limit`.
    std::optional<T> waitFor(std::chrono::milliseconds limit) const {
        std::unique_lock lock(state_->mutex);
        if (!state_->ready.wait_for(lock, limit, [this] { return state_->delivered; })) return std::nullopt;
        std::optional<T> value = std::move(state_->value);
        state_->value.reset();
        return value;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable ready;
        bool delivered = false;
        std::optional<T> value;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace completion
