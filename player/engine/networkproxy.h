// Puts the stored proxy setting to work: for the receiver's own downloads (the station file,
// the logos, the probe) and for the audio library's streams.
//
// Thread contract: applyProxy and setLibraryProxy run on the UI thread; downloads under way keep
// the proxy they started with.
#pragma once

#include "platform/settingsstore.h"

namespace zvengine {

// Direct: no proxy, even when the system's proxy variables name one; an address: that proxy;
// neither: the system's proxy variables.
void applyProxy(const zvsettings::ProxySetting& proxy);
// Hands the applied proxy to the audio library again (InitDev, after every ZVA_Init). An
// address with a scheme other than HTTP(S) or SOCKS is refused by the library, whose streams
// then keep the proxy they had.
void setLibraryProxy();

}  // namespace zvengine
