#pragma once

#include "zvaudio_plugin.h"

namespace zva {

// The built-in MP3 decoder (libmpg123 in feed mode, float output), offered through the same
// table as an add-on's decoder so the stream code treats both alike.
//
// Thread contract: as for every decoder table (see zvaudio_plugin.h).
const ZVA_PluginInfo& mp3DecoderInfo();

}  // namespace zva
