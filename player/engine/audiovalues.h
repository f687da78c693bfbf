// Small operations on the audio library's values: the high half of a 32-bit value (the
// library's version), the text at an address the library hands out, and a sync installed with a
// 32-bit parameter.
//
// Thread contract: pure functions (SetSync calls the library, which may be called from any
// thread); safe from any thread.
#pragma once

#include "zvaudio.h"

#include <QString>

#include <cstdint>

namespace zvengine {

std::uint16_t HighWord(std::uint32_t value);

// The NUL-terminated bytes at text, read as UTF-8 when they are valid UTF-8, else as
// Windows-1250; null gives an empty text. Never fails: a failure gives what was built.
QString AnsiPtrToString(const char* text);

// ZVA_ChannelSetSync with the parameter widened to 64 bits; the sync handle, 0 = failure.
ZVA_HSYNC SetSync(ZVA_HSTREAM handle, std::uint32_t type, std::uint32_t param, ZVA_SyncProc proc,
                  void* user);

}  // namespace zvengine
