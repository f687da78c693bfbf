#pragma once
#include <zvaudio.h>
#include <cstdint>
namespace zvengine {
void DoMeta(std::uint64_t generation, const char* text);
void MetaSync(ZVA_HSYNC, ZVA_HSTREAM, uintptr_t data, void* user);
}  // namespace zvengine
