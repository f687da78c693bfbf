// Puts the stored proxy setting to work: for the receiver's own downloads (the station file,
// the logos, the probe) and for the audio library's streams.
//
// Thread contract: UI thread; downloads under way keep the proxy they started with, and streams
// created from now on use the new one (the library keeps it across ZVA_Free and ZVA_Init).
#pragma once

#include "platform/settingsstore.h"

namespace zvengine {

// Direct: no proxy, even when the system's proxy variables name one; an address: that proxy;
// neither: the system's proxy variables. An address with a scheme other than HTTP(S) or SOCKS
// is refused by the library, whose streams then keep the proxy they had.
void applyProxy(const zvsettings::ProxySetting& proxy);

}  // namespace zvengine
