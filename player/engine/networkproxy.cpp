#include "networkproxy.h"

#include "net/downloadproxy.h"

#include <zvaudio.h>

#include <optional>

namespace zvengine {
namespace {

constexpr std::uint32_t kOptionProxy = 17;

// What the library is told; nothing: option 0, the system's proxy variables.
std::optional<QByteArray> libraryProxy;  // UI thread

}  // namespace

void applyProxy(const zvsettings::ProxySetting& proxy) {
    std::optional<QString> text;
    if (proxy.direct) {
        text = QString();
    } else if (!proxy.address.trimmed().isEmpty()) {
        text = proxy.address.trimmed();
    }
    zvnet::setProxy(text);
    libraryProxy = text ? std::optional(text->toUtf8()) : std::nullopt;
    setLibraryProxy();
}

void setLibraryProxy() {
    // The library copies the text, so the address need only live through the call.
    ZVA_SetConfig(kOptionProxy,
                  libraryProxy ? reinterpret_cast<uintptr_t>(libraryProxy->constData()) : 0);
}

}  // namespace zvengine
