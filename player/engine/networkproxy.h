// The proxy the receiver's downloads and streams go through.
//
// Thread contract: UI thread only.
#pragma once

#include "platform/settingsstore.h"

namespace zvengine {

void applyProxy(const zvsettings::ProxySetting&);

}  // namespace zvengine
