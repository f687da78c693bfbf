// The frame aligner on hostile streams: the first byte chooses the format, the second where the
// input is split. Without a new connection every byte goes on, in order, however it is split;
// after one (at the split) it never passes on more than it was given.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "decode/framealigner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const auto format =
        data[0] % 2 == 0 ? zva::FrameSync::Format::Mpeg : zva::FrameSync::Format::Adts;
    const std::size_t cut = (size - 2) * data[1] / 255;
    data += 2;
    size -= 2;
    for (const bool join : {false, true}) {
        zva::FrameAligner aligner(format);
        std::string out;
        aligner.feed(data, cut, out);
        if (join) {
            aligner.restart();
        }
        aligner.feed(data + cut, size - cut, out);
        aligner.flush(out);
        const bool whole = out.size() == size &&
                           out.compare(0, size, reinterpret_cast<const char*>(data), size) == 0;
        if ((!join && !whole) || out.size() > size) {
            std::abort();
        }
    }
    return 0;
}
