// Small operations on the audio library's values: the halves of a 32-bit value (the library's
// version, the channel levels), a level on the meters' scale, the text at an address the
// library hands out, and a sync installed with a 32-bit parameter.
//
// Thread contract: pure functions (SetSync calls the library, which may be called from any
// thread); safe from any thread.
#pragma once

#include "zvaudio.h"

#include <QString>

#include <cstdint>

namespace zvengine {

std::uint16_t LowWord(std::uint32_t value);
std::uint16_t HighWord(std::uint32_t value);

// A channel's level word (0..32768) on the meters' scale 0..100: × 100/32768, to the nearest
// whole number, an exact half to the even one. A word above 32768 is no level (a channel that
// stopped between two questions answers all ones) and reads 0.
int meterLevel(std::uint16_t word);

// The NUL-terminated bytes at text, read as UTF-8 when they are valid UTF-8, else as
// Windows-1250; null gives an empty text. Never fails: a failure gives what was built.
QString AnsiPtrToString(const char* text);

// ZVA_ChannelSetSync with the parameter widened to 64 bits; the sync handle, 0 = failure.
ZVA_HSYNC SetSync(ZVA_HSTREAM handle, std::uint32_t type, std::uint32_t param, ZVA_SyncProc proc,
                  void* user);

}  // namespace zvengine
