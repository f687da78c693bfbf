// ID3v2 tags from hostile input: the size and the title must come out without reading past the
// bytes given (ASan watches), and a title is never led or ended by a blank.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "id3tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of the exact size, so that a read past it is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::size_t whole = zva::id3TagSize(bytes.data(), bytes.size());
    const std::string title = zva::id3Title(bytes.data(), bytes.size());
    if ((whole == 0 && !title.empty()) ||
        (!title.empty() && (title.front() == ' ' || title.back() == ' '))) {
        std::abort();
    }
    return 0;
}
