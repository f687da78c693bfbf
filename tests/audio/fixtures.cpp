#include "fixtures.h"

#include <dlfcn.h>

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

namespace {

// A linear congruential generator's bytes, each below `values`.
std::vector<std::uint8_t> lcgBytes(std::size_t size, std::uint32_t state, unsigned values) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((state >> 16) % values);
    }
    return bytes;
}

void collect(void* user, const float* samples, std::size_t frames, int rate, int channels) {
    auto& out = *static_cast<Decoded*>(user);
    out.formatChanged |= out.channels != 0 && (out.rate != rate || out.channels != channels);
    out.rate = rate;
    out.channels = channels;
    out.samples.insert(out.samples.end(), samples, samples + frames * channels);
}

// Runs a fresh decoder of `plugin` over what `pieces(feed)` hands to `feed(bytes, size)`.
template <typename Pieces>
Decoded run(const ZVA_PluginInfo& plugin, Pieces pieces) {
    Decoded out;
    ZVA_Decoder* decoder = plugin.open();
    pieces([&](const std::uint8_t* bytes, std::size_t size) {
        const bool fatal = plugin.feed(decoder, bytes, size, collect, &out) != ZVA_FEED_OK;
        out.okAfterFatal |= out.fatal && !fatal;
        out.fatal |= fatal;
    });
    plugin.close(decoder);
    return out;
}

}  // namespace

std::vector<std::uint8_t> garbage(std::size_t size) {
    return lcgBytes(size, 12345, 255);
}

std::vector<std::uint8_t> noise(std::size_t size, unsigned seed) {
    return lcgBytes(size, seed, 256);
}

Decoded decode(const ZVA_PluginInfo& plugin, std::span<const std::uint8_t> bytes,
               std::size_t chunk) {
    return run(plugin, [&](auto feed) { feedPieces(bytes, chunk, feed); });
}

Decoded decodeSplit(const ZVA_PluginInfo& plugin, std::span<const std::uint8_t> bytes,
                    std::size_t cut) {
    return run(plugin, [&](auto feed) { feedSplit(bytes, cut, feed); });
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

void PluginTest::SetUp() {
    handle_ = dlopen(path_, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    const auto entry = reinterpret_cast<ZVA_PluginEntryFn>(dlsym(handle_, ZVA_PLUGIN_ENTRY_NAME));
    ASSERT_NE(entry, nullptr);
    plugin_ = entry();
}

void PluginTest::TearDown() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

}  // namespace zvtest
