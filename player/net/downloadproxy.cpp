#include "downloadproxy.h"

#include <mutex>

namespace zvnet {
namespace {

std::mutex proxyMutex;
std::optional<QString> currentProxy;  // guarded by proxyMutex

}  // namespace

void setProxy(std::optional<QString> proxy) {
    std::lock_guard lock(proxyMutex);
    currentProxy = std::move(proxy);
}

std::optional<QString> proxy() {
    std::lock_guard lock(proxyMutex);
    return currentProxy;
}

}  // namespace zvnet
