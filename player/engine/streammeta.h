// The stream's title: shown in lblTitle and, at the same moment, the name of the recording
// file, which starts afresh whenever the title changes.
//
// Thread contract: DoMeta runs on the stream worker (its first call) and, through MetaSync, on
// the audio library's download thread. Both carry the generation of the worker that started
// the stream; a call that begins once that generation is no longer the current one (the
// stream has been overtaken) changes nothing. The title and recording state are changed under the
// recording state's mutex; the label goes through the view, which posts it to the UI thread.
#pragma once

#include "zvaudio.h"

#include <cstdint>

namespace zvengine {

// One metadata block (NUL-terminated bytes; null = none yet). Failures go up the error-source
// chain; the caller is the stream worker, whose generation this is.
void DoMeta(const char* text, std::uint64_t generation);

// The metadata sync: data is the block's address, user the generation of the worker that
// installed it (reinterpret_cast<void*>(std::uintptr_t{generation})). No failure leaves it.
void MetaSync(ZVA_HSYNC handle, ZVA_HSTREAM channel, std::uintptr_t data, void* user);

}  // namespace zvengine
