#include "oggchainheaders.h"

#include "framestart.h"

#include <cstdint>

namespace zvengine {
namespace {

constexpr unsigned char kBeginsStream = 0x02;

std::int64_t granule(const unsigned char* page) {
    std::uint64_t value = 0;
    for (int i = 13; i >= 6; --i) {
        value = value << 8 | page[i];
    }
    return static_cast<std::int64_t>(value);
}

std::uint32_t serial(const unsigned char* page) {
    return std::uint32_t{page[14]} | std::uint32_t{page[15]} << 8 | std::uint32_t{page[16]} << 16 |
           std::uint32_t{page[17]} << 24;
}

}  // namespace

bool beginsOggChain(const unsigned char* bytes, std::size_t size) {
    return oggPageLength(bytes, size) > 0 && (bytes[5] & kBeginsStream) != 0;
}

void OggChainHeaders::see(const unsigned char* data, std::size_t size) {
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = oggPageLength(data + at, size - at);
        if (length == 0 || length > size - at) {
            return;
        }
        const unsigned char* page = data + at;
        if (beginsOggChain(page, length)) {
            pages_.clear();
            collecting_ = true;
            serial_ = serial(page);
        }
        if (collecting_ && serial(page) == serial_) {
            if (granule(page) != 0) {
                collecting_ = false;
            } else {
                pages_.append(reinterpret_cast<const char*>(page), length);
            }
        }
        at += length;
    }
}

void OggChainHeaders::clear() {
    pages_.clear();
    collecting_ = false;
}

}  // namespace zvengine
