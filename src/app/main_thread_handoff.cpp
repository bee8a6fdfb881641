#include "app/main_thread_handoff.h"

#include <QMetaObject>

namespace wendrel {

MainThreadHandoff::MainThreadHandoff(QObject* context) : context_(context) {}

bool MainThreadHandoff::runAndWait(std::function<void()> work) {
    auto state = state_;
    auto done = std::make_shared<bool>(false);
    std::unique_lock lock(state->mutex);
    if (state->closed) return false;
    // Queued to the context's thread; Qt drops the call if the context is
    // destroyed first.
    QMetaObject::invokeMethod(
        context_,
        [state, done, work = std::move(work)] {
            {
                std::lock_guard guard(state->mutex);
                if (state->closed) return;
            }
            work();
            std::lock_guard guard(state->mutex);
            *done = true;
            state->changed.notify_all();
        },
        Qt::QueuedConnection);
    state->changed.wait(lock, [&] { return *done || state->closed; });
    return *done;
}

void MainThreadHandoff::close() {
    std::lock_guard guard(state_->mutex);
    state_->closed = true;
    state_->changed.notify_all();
}

}  // namespace wendrel
