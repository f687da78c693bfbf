#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zvtest {

// The bytes of a file in tests/data/audio; empty when it cannot be read.
std::vector<std::uint8_t> audioFixture(const std::string& name);

// One key of a fixture's section in tests/data/fixtures.ini as a number; -1 when absent.
long fixtureValue(const std::string& name, const std::string& key);

// Bytes that never hold a frame sync (no 0xFF), for leading garbage.
std::vector<std::uint8_t> garbage(std::size_t size);

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

}  // namespace zvtest
