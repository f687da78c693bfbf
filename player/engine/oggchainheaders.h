// The header pages of the Ogg chain on the air, so that a recording that begins in the middle
// of a chain (a title change inside it, or recording switched on mid-song) can start its file
// with them: an Ogg file plays only from its headers. A chain's header pages are its pages from
// its beginning-of-stream page while their granule position is 0, which is how every mapping
// read here marks the pages before the sound (the first sound begins on a page of its own).
//
// Thread contract: not thread-safe; the one object lives in the recording state and is used
// with its mutex held.
#pragma once

#include "oggpage.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zvengine {

class OggChainHeaders {
public:
    // The stream's next block.
    void see(const unsigned char* data, std::size_t size);
    // The current chain's header pages; empty before the first beginning page.
    const std::string& pages() const { return pages_; }
    // Forgets the chain: another station, or a stop.
    void clear();

private:
    zva::OggPageReader reader_;
    zva::OggPage page_;
    std::string pages_;
    bool collecting_ = false;  // the chain's pages so far were all header pages
    std::uint32_t serial_ = 0;
};

// Whether `bytes` begin with the beginning-of-stream page of a chain.
bool beginsOggChain(const unsigned char* bytes, std::size_t size);

}  // namespace zvengine
