#include "oggchainheaders.h"

#include "framestart.h"

namespace zvengine {

bool beginsOggChain(const unsigned char* bytes, std::size_t size) {
    constexpr unsigned char kBeginsStream = 0x02;
    return oggPageLength(bytes, size) > 0 && (bytes[5] & kBeginsStream) != 0;
}

void OggChainHeaders::see(const unsigned char* data, std::size_t size) {
    reader_.feed(data, size);
    while (reader_.next(page_)) {
        if (page_.beginsStream) {
            pages_.clear();
            collecting_ = true;
            serial_ = page_.serial;
        }
        if (!collecting_ || page_.serial != serial_) {
            continue;
        }
        if (page_.granule != 0) {
            collecting_ = false;
        } else {
            pages_ += page_.bytes;
        }
    }
}

void OggChainHeaders::clear() {
    reader_.reset();
    pages_.clear();
    collecting_ = false;
}

}  // namespace zvengine
