// What loading shared libraries adds to a running process: prints the process's resident
// memory (VmRSS) and mapped size (VmSize) in KiB, and the number of shared objects mapped,
// before and after dlopen()ing every library named on the command line with RTLD_NOW, so each
// library's relocations are done and its initialisers have run, as when a program linked
// against it starts. The libraries' own dependencies come along and count with them.
// Usage: bench_libload LIBRARY...; prints "rss_before rss_after size_before size_after
// objects_before objects_after" on one line. Single-threaded.
#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The value in KiB of the line "FIELD: N kB" of /proc/self/status, or -1.
long statusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return -1;
}

int sharedObjects() {
    int count = 0;
    dl_iterate_phdr(
        [](dl_phdr_info*, size_t, void* data) {
            ++*static_cast<int*>(data);
            return 0;
        },
        &count);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_libload LIBRARY...\n");
        return 2;
    }
    const long rssBefore = statusKib("VmRSS");
    const long sizeBefore = statusKib("VmSize");
    const int objectsBefore = sharedObjects();
    for (int i = 1; i < argc; ++i) {
        if (dlopen(argv[i], RTLD_NOW | RTLD_LOCAL) == nullptr) {
            std::fprintf(stderr, "bench_libload: %s\n", dlerror());
            return 1;
        }
    }
    std::printf("%ld %ld %ld %ld %d %d\n", rssBefore, statusKib("VmRSS"), sizeBefore,
                statusKib("VmSize"), objectsBefore, sharedObjects());
    return 0;
}
