#include "slowdns.h"

#include <dlfcn.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

std::atomic<int> startedCount{0};
std::atomic<int> finishedCount{0};

using GetAddrInfo = int (*)(const char*, const char*, const addrinfo*, addrinfo**);

}  // namespace

namespace zvtest::slowdns {

int started() {
    return startedCount;
}

int finished() {
    return finishedCount;
}

}  // namespace zvtest::slowdns

extern "C" __attribute__((visibility("default"))) int getaddrinfo(const char* node,
                                                                  const char* service,
                                                                  const addrinfo* hints,
                                                                  addrinfo** result) {
    if (node != nullptr && std::strcmp(node, zvtest::slowdns::kHangingHost) == 0) {
        ++startedCount;
        std::this_thread::sleep_for(std::chrono::seconds(zvtest::slowdns::kHangSeconds));
        ++finishedCount;
        return EAI_AGAIN;
    }
    static const auto real = reinterpret_cast<GetAddrInfo>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return real(node, service, hints, result);
}
