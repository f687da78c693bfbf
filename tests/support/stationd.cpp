#include "stationd.h"

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

// Sanitizer builds start slowly on a busy machine; a healthy server answers in milliseconds.
constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// Reads the first line the child prints, or stops at the deadline, end of file or an error.
std::string readFirstLine(int fd) {
    std::string line;
    const Clock::time_point deadline = Clock::now() + kStartTimeout;
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        char buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        line.append(buffer, static_cast<size_t>(n));
    }
    return line;
}

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

Stationd::Stationd(const std::string& root, std::vector<std::string> extraArgs) {
    std::vector<std::string> args{ZV_BIN_DIR "/stationd", "--port", "0", "--root", root};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("stationd: pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed != 0) {
        close(out[0]);
        throw std::runtime_error(std::string("stationd: cannot start ") + argv[0] + ": " +
                                 std::strerror(failed));
    }
    const std::string line = readFirstLine(out[0]);
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        kill(pid_, SIGKILL);
        reap(pid_, kStopTimeout);
        throw std::runtime_error("stationd did not start (root " + root + "); see its stderr");
    }
}

Stationd::~Stationd() {
    kill(pid_, SIGTERM);
    if (!reap(pid_, kStopTimeout)) {
        kill(pid_, SIGKILL);
        reap(pid_, kStopTimeout);
    }
}

Stationd& sharedStationd() {
    static Stationd server(ZV_TEST_DATA_DIR);
    return server;
}

std::string Stationd::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace zvtest
