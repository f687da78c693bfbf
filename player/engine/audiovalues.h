#pragma once
#include <zvaudio.h>
#include <QString>
namespace zvengine {
QString AnsiPtrToString(const char* text);
ZVA_HSYNC SetSync(ZVA_HSTREAM stream, std::uint32_t type, std::uint32_t param, ZVA_SyncProc proc,
                  void* user);
}  // namespace zvengine
