#pragma once
#include <zvaudio.h>
#include <cstdint>
namespace zvengine {
void SUBDOWNLOADPROC(const void* buffer, uint32_t length, void* user);
void setStreamType(std::uint32_t ctype);
void createFileWriter();
}  // namespace zvengine
