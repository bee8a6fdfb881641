#include "standin_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace standin {

namespace {

std::string scratchFile() {
    const char* dir = std::getenv("WENDREL_E2E_DIR");
    std::string pattern = std::string(dir ? dir : "/tmp") + "/scenario-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("cannot create a scenario file");
    close(fd);
    return pattern;
}

void copyScenario(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace

Process::Process(const std::string& standinPath, const std::string& scenarioPath) : scenarioCopy_(scratchFile()) {
    copyScenario(scenarioPath, scenarioCopy_);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execl(standinPath.c_str(), standinPath.c_str(), "--scenario", scenarioCopy_.c_str(), nullptr);
        _exit(127);
    }
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    // A browser's cold start on a loaded machine takes several seconds.
    waitForReady(1, std::chrono::seconds(30));
    const std::string named = "map-pid ";
    if (auto at = pending_.find(named); at != std::string::npos) {
        mapPid_ = static_cast<pid_t>(std::atoi(pending_.c_str() + at + named.size()));
    }
}

Process::~Process() {
    if (pid_ > 0) {
        kill(pid_, SIGCONT);
        kill(pid_, SIGTERM);
        // Up to 3 s to go, then SIGKILL: a test must not hang on a stand-in
        // that does not act on SIGTERM in time.
        bool ended = false;
        for (int i = 0; i < 60 && !ended; ++i) {
            ended = waitpid(pid_, nullptr, WNOHANG) != 0;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (output_ >= 0) close(output_);
    std::filesystem::remove(scenarioCopy_);
}

void Process::change(const std::string& scenarioPath) {
    copyScenario(scenarioPath, scenarioCopy_);
    kill(pid_, SIGUSR1);
    waitForReady(generation_ + 1, std::chrono::seconds(10));
}

void Process::stop() { kill(pid_, SIGSTOP); }
void Process::resume() { kill(pid_, SIGCONT); }

// The stand-in prints "ready N" each time a scenario is on screen.
void Process::waitForReady(int generation, std::chrono::milliseconds limit) {
    const std::string wanted = "ready " + std::to_string(generation) + "\n";
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (pending_.find(wanted) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{output_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            throw std::runtime_error("the stand-in did not show scenario " + std::to_string(generation));
        }
        char buffer[256];
        auto n = read(output_, buffer, sizeof buffer);
        if (n <= 0) throw std::runtime_error("the stand-in ended");
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    generation_ = generation;
}

}  // namespace standin
