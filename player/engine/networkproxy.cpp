#include "networkproxy.h"

namespace zvengine {

void applyProxy(const zvsettings::ProxySetting&) {}

}  // namespace zvengine
