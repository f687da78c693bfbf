// The ADTS frame sync on its own: the same frames and the same skipped bytes however the input
// is split, after garbage, across a change of stream, and with bounded memory. Also that it and
// libzvaudio's format sniffing take the same headers.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "adtsheader.h"
#include "adtssync.h"
#include "decode/framesync.h"
#include "fixtures.h"

namespace {

using zva::AdtsHeader;
using zva::AdtsSync;
using Bytes = std::vector<unsigned char>;
using Frames = std::vector<Bytes>;

constexpr int k44100 = 4;  // sampling frequency indices
constexpr int k22050 = 7;

// One ADTS frame of `length` bytes without CRC. The payload depends on `seed` so that frames
// differ, and holds no 0xFF so that only the tests place sync bytes.
Bytes makeFrame(size_t length, int frequencyIndex, int channels, unsigned seed) {
    const auto header = zvtest::adtsHeader(length, frequencyIndex, channels);
    Bytes frame(header.begin(), header.end());
    for (size_t i = frame.size(); i < length; ++i) {
        frame.push_back(static_cast<unsigned char>((seed * 31 + i * 7) % 0xFF));
    }
    return frame;
}

Frames makeFrames(int count, int frequencyIndex, unsigned seed) {
    Frames frames;
    for (int i = 0; i < count; ++i) {
        frames.push_back(makeFrame(100 + (i * 37) % 300, frequencyIndex, 2, seed + i));
    }
    return frames;
}

// Junk with sync-like bytes: a lone 0xFF every five bytes, and in the middle a well-formed
// header whose announced length leads to no second header.
Bytes makeGarbage(size_t size) {
    Bytes garbage(size);
    for (size_t i = 0; i < size; ++i) {
        garbage[i] = static_cast<unsigned char>(i % 5 == 0 ? 0xFF : (i * 13) % 0xF0);
    }
    const Bytes lure = makeFrame(AdtsHeader::kSize + 3, k44100, 2, 99);
    std::copy(lure.begin(), lure.begin() + AdtsHeader::kSize, garbage.begin() + size / 2);
    return garbage;
}

// The parts one after the other: bytes of byte strings, frames of frame lists.
template <typename T = unsigned char>
std::vector<T> join(const std::vector<std::vector<T>>& parts) {
    std::vector<T> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct Recorder final : AdtsSync::Listener {
    void onFrame(std::span<const unsigned char> frame) override {
        frames.emplace_back(frame.begin(), frame.end());
    }
    void onSkipped(size_t bytes) override { skipped += bytes; }

    Frames frames;
    size_t skipped = 0;
};

}  // namespace

TEST(AdtsHeader, TellsPlausibleHeadersAndStreamsApart) {
    const Bytes good = makeFrame(300, k44100, 2, 0);
    const auto header = AdtsHeader::parse(good.data());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->frameLength(), 300u);
    EXPECT_TRUE(header->sameStream(*AdtsHeader::parse(makeFrame(120, k44100, 2, 5).data())));
    EXPECT_FALSE(header->sameStream(*AdtsHeader::parse(makeFrame(300, k22050, 2, 0).data())));
    EXPECT_FALSE(header->sameStream(*AdtsHeader::parse(makeFrame(300, k44100, 1, 0).data())));
    const auto withByte = [&](int index, unsigned char value) {
        Bytes bytes = good;
        bytes[index] = value;
        return AdtsHeader::parse(bytes.data()).has_value();
    };
    EXPECT_FALSE(withByte(0, 0xFE));       // no sync
    EXPECT_FALSE(withByte(1, 0xE1));       // no sync
    EXPECT_FALSE(withByte(1, 0xF3));       // layer 1
    for (const size_t length : {9, 10}) {  // a CRC follows: nine bytes hold no payload
        Bytes withCrc = makeFrame(length, k44100, 2, 0);
        withCrc[1] = 0xF0;
        EXPECT_EQ(AdtsHeader::parse(withCrc.data()).has_value(), length == 10);
    }
    EXPECT_FALSE(AdtsHeader::parse(makeFrame(7, k44100, 2, 0).data()));  // header only
    EXPECT_TRUE(AdtsHeader::parse(makeFrame(AdtsHeader::kMaxFrame, k44100, 2, 0).data()));
}

TEST(AdtsHeader, SniffingAndTheAddOnTakeTheSameSamplingRates) {
    // 0: the index names no rate, and no ADTS stream is seen.
    constexpr int kRates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                                16000, 12000, 11025, 8000,  7350,  0,     0,     0};
    for (int index = 0; index < 16; ++index) {
        const Bytes two = join({makeFrame(200, index, 2, 1), makeFrame(300, index, 2, 2)});
        const zva::FrameSync::Result sniffed = zva::FrameSync::find(two.data(), two.size());
        EXPECT_EQ(sniffed.format == zva::FrameSync::Format::Adts, kRates[index] != 0) << index;
        EXPECT_EQ(sniffed.sampleRate, kRates[index]) << index;
        EXPECT_EQ(AdtsSync::holdsSync(two.data(), two.size()), kRates[index] != 0) << index;
    }
}

// The same frames and skipped bytes however the input is split: after garbage, across a change
// of stream, and past a lone header announcing 8000 bytes, which delays the search only until
// what should follow it disproves it.
TEST(AdtsSync, GivesTheSameFramesWhereverTheInputIsSplit) {
    const Frames first = makeFrames(6, k44100, 1);
    const Frames second = makeFrames(6, k44100, 50);
    const Frames other = makeFrames(5, k22050, 9);
    const Frames many = makeFrames(40, k44100, 3);
    const Bytes garbage = makeGarbage(301);
    const Bytes lure = makeFrame(8000, k44100, 2, 0);
    const struct {
        const char* name;
        Bytes input;
        Frames frames;
        size_t skipped;
    } cases[] = {
        {"garbage first", join({garbage, join(first)}), first, garbage.size()},
        {"garbage mid-stream", join({join(first), garbage, join(second)}),
         join<Bytes>({first, second}), garbage.size()},
        {"change of stream", join({join(first), join(other)}), join<Bytes>({first, other}), 0},
        {"long false header",
         join({Bytes(lure.begin(), lure.begin() + AdtsHeader::kSize), join(many)}), many,
         AdtsHeader::kSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t at = 0; at <= c.input.size() + 1; ++at) {
            Recorder got;
            AdtsSync sync(got);
            zvtest::feedSplit(c.input, at, [&](auto* p, size_t n) { sync.feed(p, n); });
            ASSERT_TRUE(got.frames == c.frames) << "split at " << at << ": " << got.frames.size();
            ASSERT_EQ(got.skipped, c.skipped) << "split at " << at;
        }
    }
}

// A lone frame between junk, and a frame followed by one of another stream, are no frames.
TEST(AdtsSync, TakesNoHeaderWithoutAConfirmingNextHeader) {
    const Bytes input =
        join({makeGarbage(40), makeFrame(200, k44100, 2, 3), makeGarbage(40),
              makeFrame(200, k44100, 2, 4), makeFrame(200, k22050, 2, 5), makeGarbage(300)});
    Recorder got;
    AdtsSync sync(got);
    sync.feed(input.data(), input.size());
    EXPECT_TRUE(got.frames.empty()) << got.frames.size();
    // Up to seven bytes may wait for more data; everything before them is dropped.
    EXPECT_GE(got.skipped, input.size() - AdtsHeader::kSize);
}

TEST(AdtsSync, DropsEndlessJunkAndRecovers) {
    const Bytes junk = makeGarbage(64 * 1024);
    Recorder got;
    AdtsSync sync(got);
    for (int i = 0; i < 64; ++i) {
        sync.feed(junk.data(), junk.size());
    }
    EXPECT_TRUE(got.frames.empty());
    EXPECT_GE(got.skipped, 64 * junk.size() - AdtsHeader::kMaxFrame);
    const Frames frames = makeFrames(8, k44100, 7);
    const Bytes stream = join(frames);
    sync.feed(stream.data(), stream.size());
    EXPECT_TRUE(got.frames == frames) << got.frames.size();
}

TEST(AdtsSync, RecognisesAStreamFromItsFirstBytes) {
    const Bytes two = join(makeFrames(2, k44100, 1));
    const Bytes shifted = join({makeGarbage(33), two});
    EXPECT_TRUE(AdtsSync::holdsSync(shifted.data(), shifted.size()));
    const size_t secondHeaderEnd = makeFrames(1, k44100, 1)[0].size() + AdtsHeader::kSize;
    EXPECT_TRUE(AdtsSync::holdsSync(two.data(), secondHeaderEnd));
    EXPECT_FALSE(AdtsSync::holdsSync(two.data(), secondHeaderEnd - 1));
    const Bytes mixed = join({makeFrame(200, k44100, 2, 0), makeFrame(200, k22050, 2, 0)});
    EXPECT_FALSE(AdtsSync::holdsSync(mixed.data(), mixed.size()));
    // Regular MPEG-1 layer III headers are not ADTS.
    Bytes mp3Frame(417, 0x11);
    std::copy_n(Bytes{0xFF, 0xFB, 0x90, 0x64}.begin(), 4, mp3Frame.begin());
    const Bytes mp3 = join({mp3Frame, mp3Frame, mp3Frame});
    EXPECT_FALSE(AdtsSync::holdsSync(mp3.data(), mp3.size()));
}
