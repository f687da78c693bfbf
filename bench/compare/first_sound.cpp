// Drains the FIFO a player writes its PCM output into and prints, once, the wall-clock time in
// nanoseconds since the epoch at which the first byte that is not zero arrived: the moment the
// player's first sound left it. Leading silence does not count, so an output that is opened
// and fed zeros before the stream plays measures the same as one that waits for the stream.
// Usage: bench_first_sound FIFO; it reads until it is killed. Single-threaded.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_first_sound FIFO\n");
        return 2;
    }
    // Holding the FIFO open for writing as well, the reader never sees an end of file, so a
    // player that closes its output and opens it again keeps feeding the same reader.
    const int fd = open(argv[1], O_RDWR);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::array<char, 65536> buffer{};
    bool heard = false;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            std::perror("read");
            return 1;
        }
        if (!heard &&
            std::any_of(buffer.begin(), buffer.begin() + n, [](char c) { return c != 0; })) {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("%lld\n",
                        static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            std::fflush(stdout);
            heard = true;
        }
    }
}
