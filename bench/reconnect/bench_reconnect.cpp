// What a dropped connection costs: plays URL, a station that drops its listeners, through the
// audio library on the "no sound" device (which plays in real time) and prints, for each of
// RUNS drops, one line: the milliseconds this process had no connection to the station's port
// (read from the kernel's table of TCP connections, so a drop counts from the moment the
// connection is gone, whether or not the library has noticed yet) and the milliseconds the
// sound was stalled from that drop to the next (0 while the buffer covered it).
// Usage: bench_reconnect URL [RUNS]
#include <zvaudio.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPoll = std::chrono::milliseconds(1);

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The port of an address of the form scheme://host:port/...; 80 without one.
unsigned portOf(const std::string& url) {
    const std::size_t host = url.find("://");
    const std::size_t path = url.find('/', host == std::string::npos ? 0 : host + 3);
    const std::size_t colon = url.rfind(':', path);
    return colon != std::string::npos && colon > host + 2
               ? static_cast<unsigned>(std::stoul(url.substr(colon + 1, path - colon - 1)))
               : 80;
}

// The sockets this process has open, by inode.
std::set<std::string> ownSockets() {
    std::set<std::string> inodes;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        if (!error && target.rfind("socket:[", 0) == 0) {
            inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    return inodes;
}

// Whether this process has a connection to `port` established: the kernel's table lists each
// connection's remote end as hexadecimal address:port, state 01 as established, and the
// socket's inode, which tells this process's connections from other programs' (an Icecast
// server's sources).
bool connectedTo(unsigned port) {
    const std::set<std::string> own = ownSockets();
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        const std::size_t colon = remote.find(':');
        if (state == "01" && colon != std::string::npos &&
            std::stoul(remote.substr(colon + 1), nullptr, 16) == port && own.count(inode) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reconnect URL [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    const unsigned port = portOf(argv[1]);
    if (ZVA_Init(0, 44100, 0, nullptr, nullptr) == 0) {
        std::fprintf(stderr, "bench_reconnect: no output (error %d)\n", ZVA_ErrorGetCode());
        return 1;
    }
    const ZVA_HSTREAM stream = ZVA_StreamCreateURL(argv[1], 0, 0, nullptr, nullptr);
    if (stream == 0 || ZVA_ChannelPlay(stream, 0) == 0) {
        std::fprintf(stderr, "bench_reconnect: %s does not play (error %d)\n", argv[1],
                     ZVA_ErrorGetCode());
        return 1;
    }
    std::optional<Clock::time_point> droppedAt;
    std::optional<double> lastGap;  // the last drop's time without a connection
    Clock::duration stalled{};
    for (int run = 0; run < runs;) {
        std::this_thread::sleep_for(kPoll);
        if (ZVA_StreamGetFilePosition(stream, ZVA_FILEPOS_CONNECTED) != 1) {
            std::fprintf(stderr, "bench_reconnect: the stream ended\n");
            return 1;
        }
        if (ZVA_ChannelIsActive(stream) == ZVA_ACTIVE_STALLED) {
            stalled += kPoll;
        }
        const bool connected = connectedTo(port);
        if (!connected && !droppedAt) {
            droppedAt = Clock::now();
        } else if (connected && droppedAt) {
            // A drop's stall is known at the next drop.
            if (lastGap) {
                std::printf("%.0f %.0f\n", *lastGap, milliseconds(stalled));
                std::fflush(stdout);
                ++run;
            }
            lastGap = milliseconds(Clock::now() - *droppedAt);
            stalled = {};
            droppedAt.reset();
        }
    }
    ZVA_Free();
    return 0;
}
