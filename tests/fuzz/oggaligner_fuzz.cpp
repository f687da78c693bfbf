// The Ogg aligner, the library's download side of an Ogg stream, on hostile streams. The first
// byte picks raw or paged input (valid pages around the fuzzer's packets, so chains begin and
// their comment packets are read) and where the input is split. Without a new connection the
// pages passed on are exactly the checksum-valid pages of the input, in order, none marked
// repeated, and no more titles come than chains; after one (at the split) never more bytes go on
// than were given.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode/oggaligner.h"
#include "oggpackets.h"

namespace {

struct Sink : zva::OggAligner::Sink {
    std::string out;
    std::size_t chains = 0;
    std::size_t titles = 0;
    bool repeated = false;
    void chainStarts(const zva::OggStreamHeader&) override { ++chains; }
    void chainTitle(const std::string&) override { ++titles; }
    bool pages(const std::string& bytes, bool again) override {
        out += bytes;
        repeated |= again;
        return true;
    }
};

// The checksum-valid pages of `input`, as a reader of its own finds them.
std::string validPages(const std::vector<std::uint8_t>& input) {
    zva::OggPageReader reader;
    reader.feed(input.data(), input.size());
    std::string pages;
    for (zva::OggPage page; reader.next(page);) {
        pages += page.bytes;
    }
    return pages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::vector<std::uint8_t> input = (data[0] & 1) != 0
                                                ? zvtest::paged(data + 2, size - 2)
                                                : std::vector<std::uint8_t>(data + 2, data + size);
    const std::size_t cut = input.size() * data[1] / 255;
    const std::string expected = validPages(input);
    for (const bool join : {false, true}) {
        zva::OggAligner aligner;
        Sink sink;
        aligner.feed(input.data(), cut, sink);
        if (join) {
            aligner.restart();
        }
        aligner.feed(input.data() + cut, input.size() - cut, sink);
        aligner.flush(sink);
        const bool whole = sink.out == expected && !sink.repeated && sink.titles <= sink.chains;
        if ((!join && !whole) || sink.out.size() > input.size()) {
            std::abort();
        }
    }
    return 0;
}
