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
    // Starts amap-standin with a copy of the scenario file and waits until it
    // shows the panel; throws std::runtime_error when it does not.
    Process(const std::string& standinPath, const std::string& scenarioPath);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    // Shows another scenario and waits until the panel has it.
    void change(const std::string& scenarioPath);
    void stop();
    void resume();

private:
    void waitForReady(int generation, std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int output_ = -1;
    int generation_ = 0;
    std::string scenarioCopy_;
    std::string pending_;
};

}  // namespace standin
