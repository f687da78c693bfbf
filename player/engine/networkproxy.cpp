#include "networkproxy.h"

#include "net/downloadproxy.h"

#include <zvaudio.h>

#include <optional>

namespace zvengine {
namespace {

constexpr std::uint32_t kOptionProxy = 17;

}  // namespace

void applyProxy(const zvsettings::ProxySetting& proxy) {
    std::optional<QString> text;
    if (proxy.direct) {
        text = QString();
    } else if (!proxy.address.trimmed().isEmpty()) {
        text = proxy.address.trimmed();
    }
    zvnet::setProxy(text);
    // The library copies the text, so it need only live through the call; 0: the system's
    // proxy variables.
    const QByteArray address = text ? text->toUtf8() : QByteArray();
    ZVA_SetConfig(kOptionProxy, text ? reinterpret_cast<uintptr_t>(address.constData()) : 0);
}

}  // namespace zvengine
