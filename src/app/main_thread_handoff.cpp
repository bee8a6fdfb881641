#include "app/main_thread_handoff.h"

namespace wendrel {

MainThreadHandoff::MainThreadHandoff(Post post) : post_(std::move(post)) {}

bool MainThreadHandoff::runAndWait(std::function<void()> work) {
    auto state = state_;
    auto done = std::make_shared<bool>(false);
    std::unique_lock lock(state->mutex);
    if (state->closed) return false;
    // The queued call checks the gate first: after close() it runs nothing,
    // whenever the main thread gets to it.
    post_([state, done, work = std::move(work)] {
        {
            std::lock_guard guard(state->mutex);
            if (state->closed) return;
        }
        work();
        std::lock_guard guard(state->mutex);
        *done = true;
        state->changed.notify_all();
    });
    state->changed.wait(lock, [&] { return *done || state->closed; });
    return *done;
}

void MainThreadHandoff::close() {
    std::lock_guard guard(state_->mutex);
    state_->closed = true;
    state_->changed.notify_all();
}

}  // namespace wendrel
