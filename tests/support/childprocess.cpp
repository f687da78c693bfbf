#include "childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zvtest {

namespace {

using Clock = std::chrono::steady_clock;

// Sanitizer builds start slowly on a busy machine; a healthy child answers in milliseconds.
constexpr auto kLineTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// Waits up to `timeout` for the child to end; true once it has been reaped.
bool reap(pid_t pid, Clock::duration timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
    if (failed != 0) {
        close(out_);
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(failed));
    }
}

ChildProcess::~ChildProcess() {
    kill(pid_, SIGTERM);
    if (!reap(pid_, kStopTimeout)) {
        kill(pid_, SIGKILL);
        reap(pid_, kStopTimeout);
    }
    close(out_);
}

std::string ChildProcess::line() {
    const Clock::time_point deadline = Clock::now() + kLineTimeout;
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{out_, POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        char buffer[256];
        const ssize_t n = ready > 0 ? read(out_, buffer, sizeof buffer) : 0;
        if (n <= 0) {
            return "";
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return line;
}

}  // namespace zvtest
