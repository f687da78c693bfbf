// The AAC add-on as libzvaudio sees it: loaded with dlopen, used only through its table.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "zvaudio_plugin.h"

namespace {

using Bytes = std::vector<unsigned char>;

class LoadedPlugin {
public:
    LoadedPlugin() : handle_(dlopen(ZVAUDIO_AAC_PLUGIN, RTLD_NOW | RTLD_LOCAL)) {
        auto entry = reinterpret_cast<ZVA_PluginEntryFn>(symbol(ZVA_PLUGIN_ENTRY_NAME));
        info_ = entry != nullptr ? entry() : nullptr;
    }
    ~LoadedPlugin() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }
    const ZVA_PluginInfo* info() const { return info_; }
    void* symbol(const char* name) const {
        return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
    }

private:
    void* handle_;
    const ZVA_PluginInfo* info_;
};

struct Decoded {
    int rate = 0;
    int channels = 0;
    bool formatChanged = false;  // a later sink call named another rate or channel count
    std::vector<float> samples;  // interleaved
    bool fatal = false;          // some feed call returned ZVA_FEED_FATAL
    bool okAfterFatal = false;   // and a later one ZVA_FEED_OK again

    size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
    // One channel from 0.5 s to 2.5 s, where the manifest measured the fixtures' peaks.
    std::vector<float> middle(int channel) const {
        std::vector<float> out;
        for (size_t i = rate / 2; i < frames() && i < rate * 5u / 2; ++i) {
            out.push_back(samples[i * channels + channel]);
        }
        return out;
    }
};

void collect(void* user, const float* samples, size_t frames, int rate, int channels) {
    auto& out = *static_cast<Decoded*>(user);
    out.formatChanged |= out.channels != 0 && (out.rate != rate || out.channels != channels);
    out.rate = rate;
    out.channels = channels;
    out.samples.insert(out.samples.end(), samples, samples + frames * channels);
}

// Feeds `bytes` to a fresh decoder in pieces of `chunk` bytes.
Decoded decode(const ZVA_PluginInfo& plugin, const Bytes& bytes, size_t chunk) {
    Decoded out;
    ZVA_Decoder* decoder = plugin.open();
    for (size_t at = 0; decoder != nullptr && at < bytes.size(); at += chunk) {
        const size_t n = std::min(chunk, bytes.size() - at);
        const bool fatal = plugin.feed(decoder, bytes.data() + at, n, collect, &out) != 0;
        out.okAfterFatal |= out.fatal && !fatal;
        out.fatal |= fatal;
    }
    plugin.close(decoder);
    return out;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using Manifest = std::map<std::string, std::map<std::string, std::string>>;

// The AAC tone fixtures of fixtures.ini (the benchmark files list no tone), by file name.
Manifest aacFixtures() {
    Manifest all;
    std::ifstream in(std::string(ZVAUDIO_AAC_DATA_DIR) + "/fixtures.ini");
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (line.starts_with('[')) {
            section = line.substr(1, line.find(']') - 1);
        } else if (const auto eq = line.find('='); eq != std::string::npos && !section.empty()) {
            all[section][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    std::erase_if(all, [](const auto& f) {
        return f.second.count("tone_left") == 0 || f.second.at("format") != "aac";
    });
    return all;
}

Bytes fixtureBytes(const std::string& name) {
    return readFile(std::string(ZVAUDIO_AAC_DATA_DIR) + "/audio/" + name);
}

// Deterministic noise (a linear congruential generator).
Bytes noise(size_t size, unsigned seed) {
    Bytes bytes(size);
    for (auto& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}

// Noise behind well-formed, chained ADTS headers (AAC LC, 44.1 kHz, stereo, as tone44.aac), so
// that the sync locks on and FAAD2 has to refuse the frames.
Bytes noiseFrames(unsigned count, unsigned seed) {
    Bytes frames;
    for (unsigned i = 0; i < count; ++i) {
        Bytes frame = noise(200 + i % 300, seed + i);
        const size_t n = frame.size();
        const unsigned char header[] = {0xFF,
                                        0xF1,
                                        0x50,
                                        static_cast<unsigned char>(0x80 | n >> 11),
                                        static_cast<unsigned char>(n >> 3),
                                        static_cast<unsigned char>((n & 7) << 5 | 0x1F),
                                        0xFC};
        std::memcpy(frame.data(), header, sizeof header);
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    return frames;
}

// Frequency of a pure tone from its rising zero crossings.
double frequencyOf(const std::vector<float>& samples, int rate) {
    std::vector<size_t> rising;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            rising.push_back(i);
        }
    }
    return rising.size() < 2 ? 0.0
                             : (rising.size() - 1.0) * rate / (rising.back() - rising.front());
}

double peakOf(const std::vector<float>& samples) {
    double peak = 0;
    for (const float sample : samples) {
        peak = std::max(peak, std::fabs(sample) * 32768.0);
    }
    return peak;
}

class AacPlugin : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(plugin.info(), nullptr) << dlerror(); }
    const ZVA_PluginInfo& table() const { return *plugin.info(); }

    const LoadedPlugin plugin;
};

}  // namespace

TEST_F(AacPlugin, ExportsOnlyItsVersionedEntryPoint) {
    EXPECT_EQ(table().magic, ZVA_PLUGIN_MAGIC);
    EXPECT_EQ(table().version, ZVA_PLUGIN_VERSION);
    EXPECT_EQ(table().ctype, 68352u);
    EXPECT_STRNE(table().name, "");
    EXPECT_TRUE(table().probe && table().open && table().feed && table().close);
    // The decoder's own classes stay inside the add-on.
    EXPECT_EQ(plugin.symbol("_ZN3zva10AacDecoder6createEPFvPKcE"), nullptr);
    EXPECT_EQ(plugin.symbol("_ZN3zva8AdtsSync4feedEPKhm"), nullptr);
}

TEST_F(AacPlugin, ProbeTakesAacContentTypesAndAdtsBytes) {
    const Bytes junk = noise(4096, 1);
    for (const char* type :
         {"audio/aac", "audio/aacp", "audio/x-aac", "AUDIO/AACP", " audio/aac ; charset=x"}) {
        EXPECT_EQ(table().probe(type, junk.data(), junk.size()), 1) << type;
        EXPECT_EQ(table().probe(type, nullptr, 0), 1) << type;
    }
    for (const char* type : {"audio/mpeg", "audio/aac2", "audio", ""}) {
        EXPECT_EQ(table().probe(type, junk.data(), junk.size()), 0) << type;
    }
    const Bytes stream = fixtureBytes("tone44.aac");
    ASSERT_GT(stream.size(), 5096u);
    // Unlabelled or mislabelled: the bytes decide, also when the body starts mid-frame.
    EXPECT_EQ(table().probe(nullptr, stream.data(), 4096), 1);
    EXPECT_EQ(table().probe("application/octet-stream", stream.data() + 1000, 4096), 1);
    EXPECT_EQ(table().probe(nullptr, stream.data(), 100), 0);  // not even two headers
    EXPECT_EQ(table().probe(nullptr, junk.data(), junk.size()), 0);
}

TEST_F(AacPlugin, FixturesComeOutWithTheirTonesAndPeaksHoweverTheBytesArrive) {
    const Manifest fixtures = aacFixtures();
    ASSERT_GE(fixtures.size(), 4u);
    for (const auto& [name, keys] : fixtures) {
        SCOPED_TRACE(name);
        const Bytes bytes = fixtureBytes(name);
        const Decoded out = decode(table(), bytes, 4096);
        EXPECT_FALSE(out.fatal);
        EXPECT_FALSE(out.formatChanged);
        // At 24 kHz and below FAAD2 runs the stream through its SBR stage, which doubles the
        // rate, and mono comes out as two equal channels, as mono with parametric stereo does.
        // The tone frequencies below are measured at the rate the sink was given.
        const int rate = std::stoi(keys.at("sample_rate"));
        EXPECT_EQ(out.rate, rate <= 24000 ? 2 * rate : rate);
        EXPECT_EQ(out.channels, 2);
        ASSERT_GE(out.frames(), out.rate * 5u / 2);
        for (int c = 0; c < out.channels; ++c) {
            const char* side = c == 0 ? "_left" : "_right";
            const double tone = std::stod(keys.at(std::string("tone") + side));
            const double peak = std::stod(keys.at(std::string("peak") + side));
            EXPECT_NEAR(frequencyOf(out.middle(c), out.rate), tone, tone * 0.01) << side;
            EXPECT_NEAR(peakOf(out.middle(c)), peak, peak * 0.02) << side;
        }
        for (const size_t chunk : {1, 333}) {
            EXPECT_TRUE(decode(table(), bytes, chunk).samples == out.samples) << chunk;
        }
    }
}

TEST_F(AacPlugin, SkipsDamagedDataWithoutGivingUp) {
    const Bytes clean = fixtureBytes("tone44.aac");
    const Decoded reference = decode(table(), clean, 4096);
    ASSERT_GT(reference.frames(), 0u);
    // A stream that starts mid-frame, scrambled stretches inside frames, and a burst of junk.
    Bytes damaged(clean.begin() + 501, clean.end());
    for (size_t at = 2000; at + 64 < damaged.size(); at += 3000) {
        for (size_t i = 0; i < 64; ++i) {
            damaged[at + i] ^= static_cast<unsigned char>(0x5A + i);
        }
    }
    const Bytes junk = noise(3000, 7);
    damaged.insert(damaged.begin() + damaged.size() / 2, junk.begin(), junk.end());
    for (const size_t chunk : {1, 997}) {
        const Decoded out = decode(table(), damaged, chunk);
        EXPECT_FALSE(out.fatal) << chunk;
        EXPECT_EQ(out.rate, reference.rate);
        EXPECT_EQ(out.channels, reference.channels);
        EXPECT_GT(out.frames(), reference.frames() * 7 / 10) << chunk;
        EXPECT_LT(out.frames(), reference.frames()) << chunk;
    }
}

TEST_F(AacPlugin, GivesUpOnEndlessJunkAndStaysDown) {
    // Plain noise exhausts the sync's patience, noise frames FAAD2's.
    for (const Bytes& junk : {noise(4 << 20, 3), noiseFrames(2000, 0)}) {
        const Decoded out = decode(table(), junk, 4096);
        EXPECT_TRUE(out.fatal);
        EXPECT_FALSE(out.okAfterFatal);
        EXPECT_EQ(out.frames(), 0u);
    }
}

TEST_F(AacPlugin, CountsOnlyAnUnbrokenRunOfFailures) {
    const Bytes clean = fixtureBytes("tone44.aac");
    const Decoded reference = decode(table(), clean, 4096);
    // More bad frames than the limit in all, but never that many in a row.
    Bytes input = clean;
    for (unsigned run = 0; run < 3; ++run) {
        const Bytes bad = noiseFrames(50, run * 100);
        input.insert(input.end(), bad.begin(), bad.end());
        input.insert(input.end(), clean.begin(), clean.end());
    }
    const Decoded out = decode(table(), input, 4096);
    EXPECT_FALSE(out.fatal);
    EXPECT_GT(out.frames(), reference.frames() * 3);
}
