#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "zvaudio_plugin.h"

namespace zvtest {

// The bytes of a file in tests/data/audio; empty when it cannot be read.
std::vector<std::uint8_t> audioFixture(const std::string& name);

// One key of a fixture's section in tests/data/fixtures.ini as a number; -1 when absent.
long fixtureValue(const std::string& name, const std::string& key);

// Bytes that never hold a frame sync (no 0xFF), for leading garbage.
std::vector<std::uint8_t> garbage(std::size_t size);

// Deterministic noise from a linear congruential generator started at `seed`, sync bytes
// included.
std::vector<std::uint8_t> noise(std::size_t size, unsigned seed);

// An ADTS header without CRC for a frame of `length` bytes, the header included; `profile` is
// the audio object type less one (1: AAC LC).
constexpr std::array<std::uint8_t, 7> adtsHeader(std::size_t length, int frequencyIndex,
                                                 int channels, int profile = 1) {
    return {0xFF,
            0xF1,  // MPEG-4, layer 0, no CRC
            static_cast<std::uint8_t>(profile << 6 | frequencyIndex << 2 | channels >> 2),
            static_cast<std::uint8_t>((channels & 3) << 6 | length >> 11),
            static_cast<std::uint8_t>(length >> 3),
            static_cast<std::uint8_t>((length & 7) << 5 | 0x1F),
            0xFC};
}

// What a decoder handed its sink, and how its feed calls went.
struct Decoded {
    int rate = 0;
    int channels = 0;
    bool formatChanged = false;  // a later sink call named another rate or channel count
    std::vector<float> samples;  // interleaved
    bool fatal = false;          // some feed call returned ZVA_FEED_FATAL
    bool okAfterFatal = false;   // and a later one ZVA_FEED_OK again

    std::size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// Feeds `bytes` to a fresh decoder of `plugin` in pieces of `chunk` bytes.
Decoded decode(const ZVA_PluginInfo& plugin, std::span<const std::uint8_t> bytes,
               std::size_t chunk);

// The same, with the bytes handed over as feedSplit cuts them at `cut`.
Decoded decodeSplit(const ZVA_PluginInfo& plugin, std::span<const std::uint8_t> bytes,
                    std::size_t cut);

// One channel's tone in interleaved samples over frames [from, to): its frequency from the
// rising zero crossings, and its peak on the 16-bit scale.
struct Tone {
    double frequency = 0;
    double peak = 0;
};
Tone measureTone(std::span<const float> samples, int channels, int channel, int rate,
                 std::size_t from, std::size_t to);

// The largest change between neighbouring frames of stereo samples over frames [from, to).
float maxStep(std::span<const float> stereo, std::size_t from, std::size_t to);

// Hands `input` to `feed(bytes, size)` in two pieces cut at `cut`, or byte by byte when `cut` is
// past its end, for parsers whose result must not depend on how their input arrives.
template <typename Input, typename Feed>
void feedSplit(const Input& input, std::size_t cut, Feed feed) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
    if (cut > input.size()) {
        for (std::size_t i = 0; i < input.size(); ++i) {
            feed(bytes + i, 1);
        }
    } else {
        feed(bytes, cut);
        feed(bytes + cut, input.size() - cut);
    }
}

// Hands `input` to `feed(bytes, size)` in pieces of `piece` bytes, the last one maybe shorter.
template <typename Input, typename Feed>
void feedPieces(const Input& input, std::size_t piece, Feed feed) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
    for (std::size_t at = 0; at < input.size(); at += piece) {
        feed(bytes + at, std::min(piece, input.size() - at));
    }
}

// A test of one add-on's table: SetUp opens its shared object as the library opens add-ons
// and takes the table; TearDown closes it.
class PluginTest : public ::testing::Test {
protected:
    explicit PluginTest(const char* path) : path_(path) {}
    void SetUp() override;
    void TearDown() override;

    const ZVA_PluginInfo* plugin_ = nullptr;

private:
    const char* path_;
    void* handle_ = nullptr;
};

}  // namespace zvtest
