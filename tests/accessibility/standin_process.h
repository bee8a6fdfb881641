#pragma once
// Runs the stand-in map application for a test: started with a scenario,
// changed on request, stopped and resumed like a hung program, and ended with
// the test even when the test fails.

#include <chrono>
#include <string>
#include <sys/types.h>

namespace standin {

class Process {
public:
    // Starts the stand-in with a copy of the scenario file and waits until it
    // shows the panel; throws std::runtime_error when it does not.
    Process(const std::string& standinPath, const std::string& scenarioPath);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    // The process that owns the map's window and accessibility tree: the one
    // the stand-in names in a "map-pid N" line (the browser, for the page),
    // else the stand-in itself.
    pid_t mapPid() const { return mapPid_ > 0 ? mapPid_ : pid_; }
    // Shows another scenario and waits until the panel has it.
    void change(const std::string& scenarioPath);
    void stop();
    void resume();

private:
    void waitForReady(int generation, std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    pid_t mapPid_ = -1;
    int output_ = -1;
    int generation_ = 0;
    std::string scenarioCopy_;
    std::string pending_;
};

}  // namespace standin
