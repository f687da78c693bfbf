// Fuzzes the Ogg page reader: the input fed in pieces whose sizes the first bytes choose must
// give the same pages as the whole input fed at once, each a page libogg accepts. (The skipped
// count may differ at the end: the reader holds back bytes too few to rule out a page.)

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "oggpage.h"

namespace {

std::vector<std::string> pages(zva::OggPageReader& reader) {
    std::vector<std::string> out;
    for (zva::OggPage page; reader.next(page);) {
        ogg_page view = page.view();
        if (ogg_page_serialno(&view) != static_cast<int>(page.serial) ||
            page.headerSize + static_cast<size_t>(view.body_len) != page.bytes.size()) {
            __builtin_trap();
        }
        out.push_back(page.bytes);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const size_t first = data[0] + 1;
    const size_t rest = data[1] * 17 + 1;
    data += 2;
    size -= 2;
    zva::OggPageReader whole;
    whole.feed(data, size);
    const std::vector<std::string> expected = pages(whole);
    zva::OggPageReader split;
    std::vector<std::string> got;
    for (size_t at = 0, piece = first; at < size; at += piece, piece = rest) {
        split.feed(data + at, piece < size - at ? piece : size - at);
        for (std::string& page : pages(split)) {
            got.push_back(std::move(page));
        }
    }
    if (got != expected) {
        __builtin_trap();
    }
    return 0;
}
