#pragma once
// Lets a background task run a function on the main thread and wait until it
// has run, like a blocking queued call, but with a way out: once the gate is
// closed (the application is going away) a waiting task is released and
// later hand-offs are dropped, so quitting never waits on an event loop
// that has stopped.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace wendrel {

class MainThreadHandoff {
public:
    // `post` queues a function to run on the main thread (the window's),
    // later: it must not run it before returning.
    using Post = std::function<void(std::function<void()>)>;
    explicit MainThreadHandoff(Post post);

    // From a background thread: runs `work` on the main thread and waits for
    // it. False, without running `work`, when the gate is or becomes closed.
    bool runAndWait(std::function<void()> work);

    // From the main thread: releases a waiting task and refuses every later
    // hand-off.
    void close();

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool closed = false;
    };
    Post post_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace wendrel
