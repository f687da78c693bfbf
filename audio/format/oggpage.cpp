#include "oggpage.h"

#include <algorithm>

namespace zva {

ogg_page OggPage::view() {
    ogg_page page{};
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    page.header = data;
    page.header_len = static_cast<long>(headerSize);
    page.body = data + headerSize;
    page.body_len = static_cast<long>(bytes.size() - headerSize);
    return page;
}

OggPageReader::OggPageReader() {
    ogg_sync_init(&sync_);
}

OggPageReader::~OggPageReader() {
    ogg_sync_clear(&sync_);
}

void OggPageReader::feed(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        // libogg takes a long at a time; a stream's blocks are far smaller.
        const std::size_t piece = std::min<std::size_t>(size, 1 << 20);
        char* room = ogg_sync_buffer(&sync_, static_cast<long>(piece));
        if (room == nullptr) {
            return;
        }
        std::copy(data, data + piece, room);
        ogg_sync_wrote(&sync_, static_cast<long>(piece));
        data += piece;
        size -= piece;
    }
}

bool OggPageReader::next(OggPage& page) {
    ogg_page found{};
    for (;;) {
        const long result = ogg_sync_pageseek(&sync_, &found);
        if (result == 0) {
            return false;
        }
        if (result < 0) {
            // Bytes that are no page, or a page whose checksum fails: skipped.
            skipped_ += static_cast<std::uint64_t>(-result);
            continue;
        }
        break;
    }
    page.headerSize = static_cast<std::size_t>(found.header_len);
    page.bytes.assign(reinterpret_cast<const char*>(found.header),
                      static_cast<std::size_t>(found.header_len));
    page.bytes.append(reinterpret_cast<const char*>(found.body),
                      static_cast<std::size_t>(found.body_len));
    page.serial = static_cast<std::uint32_t>(ogg_page_serialno(&found));
    page.granule = ogg_page_granulepos(&found);
    page.beginsStream = ogg_page_bos(&found) != 0;
    page.endsStream = ogg_page_eos(&found) != 0;
    page.continued = ogg_page_continued(&found) != 0;
    return true;
}

void OggPageReader::reset() {
    ogg_sync_reset(&sync_);
}

}  // namespace zva
