#include "fixtures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace zvtest {

std::vector<std::uint8_t> audioFixture(const std::string& name) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/audio/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long fixtureValue(const std::string& name, const std::string& key) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/fixtures.ini");
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + name + "]";
        } else if (inSection && line.starts_with(key + "=")) {
            return std::stol(line.substr(key.size() + 1));
        }
    }
    return -1;
}

std::vector<std::uint8_t> garbage(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((state >> 16) % 255);
    }
    return bytes;
}

Tone measureTone(std::span<const float> samples, int channels, int channel, int rate,
                 std::size_t from, std::size_t to) {
    Tone tone;
    std::size_t first = 0, last = 0, rising = 0;
    to = std::min(to, samples.size() / channels);
    for (std::size_t i = from + 1; i < to; ++i) {
        const float before = samples[(i - 1) * channels + channel];
        const float now = samples[i * channels + channel];
        if (before < 0 && now >= 0) {
            first = rising++ == 0 ? i : first;
            last = i;
        }
        tone.peak = std::max(tone.peak, std::fabs(now) * 32768.0);
    }
    if (rising >= 2) {
        tone.frequency = (rising - 1.0) * rate / static_cast<double>(last - first);
    }
    return tone;
}

float maxStep(std::span<const float> stereo, std::size_t from, std::size_t to) {
    float step = 0;
    for (std::size_t i = from * 2 + 2; i < std::min(to * 2, stereo.size()); ++i) {
        step = std::max(step, std::fabs(stereo[i] - stereo[i - 2]));
    }
    return step;
}

}  // namespace zvtest
