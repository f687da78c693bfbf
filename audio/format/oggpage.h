#pragma once

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zva {

// One Ogg page, checked by its checksum: the header and body lie one after the other in
// `bytes`, exactly as they came (a page is passed on verbatim).
struct OggPage {
    std::string bytes;
    std::size_t headerSize = 0;
    std::uint32_t serial = 0;
    std::int64_t granule = -1;  // -1: no packet ends on this page
    bool beginsStream = false;  // BOS: the first page of a logical stream (a new chain)
    bool endsStream = false;    // EOS
    bool continued = false;     // its first bytes finish a packet begun on an earlier page

    // libogg's view of the page, pointing into `bytes`.
    ogg_page view();
};

// Splits a byte stream into whole Ogg pages (libogg's sync layer): bytes may come in pieces of
// any size; a page whose checksum fails and bytes that are no page are skipped, never handed
// on. Holds at most one page (65 307 bytes) beyond what it was given last.
//
// Thread contract: one object is used by one thread at a time.
class OggPageReader {
public:
    OggPageReader();
    ~OggPageReader();
    OggPageReader(const OggPageReader&) = delete;
    OggPageReader& operator=(const OggPageReader&) = delete;

    void feed(const unsigned char* data, std::size_t size);
    // The next whole page of what was fed; false when none is complete yet.
    bool next(OggPage& page);
    // Forgets what is held: the next bytes are searched for a page from scratch.
    void reset();

    // The bytes skipped so far because they were no valid page.
    std::uint64_t skipped() const { return skipped_; }

private:
    ogg_sync_state sync_;
    std::uint64_t skipped_ = 0;
};

}  // namespace zva
