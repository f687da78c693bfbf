// The Ogg add-on as libzvaudio sees it: loaded with dlopen, used only through its table, fed
// chained Ogg fixtures and pages made here with libogg.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fixtures.h"
#include "oggpage.h"
#include "zvaudio_plugin.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Pages = std::vector<Bytes>;

Bytes join(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Pages pagesOf(const Bytes& stream) {
    zva::OggPageReader reader;
    reader.feed(stream.data(), stream.size());
    Pages pages;
    for (zva::OggPage page; reader.next(page);) {
        pages.emplace_back(page.bytes.begin(), page.bytes.end());
    }
    return pages;
}

// The file cut before each beginning-of-stream page: one piece per chain.
std::vector<Bytes> chainsOf(const Bytes& stream) {
    std::vector<Bytes> chains;
    for (const Bytes& page : pagesOf(stream)) {
        if ((page[5] & 2) != 0) {
            chains.emplace_back();
        }
        chains.back().insert(chains.back().end(), page.begin(), page.end());
    }
    return chains;
}

std::uint32_t serialOf(const Bytes& page) {
    std::uint32_t serial = 0;
    std::memcpy(&serial, page.data() + 14, 4);
    return serial;
}

// `chain` with the serial `serial`, and, if `unknown`, a first packet that names no codec.
Bytes rewritten(const Bytes& chain, std::uint32_t serial, bool unknown) {
    Pages pages = pagesOf(chain);
    for (Bytes& bytes : pages) {
        std::memcpy(bytes.data() + 14, &serial, 4);
        const int header = 27 + bytes[26];
        bytes[header] ^= (bytes[5] & 2) != 0 && unknown ? 0x40 : 0;
        ogg_page page{bytes.data(), header, bytes.data() + header,
                      static_cast<long>(bytes.size()) - header};
        ogg_page_checksum_set(&page);
    }
    return join(pages);
}

const char* const kFixtures[] = {"chain-vorbis.ogg", "chain-opus.opus", "chain-flac.oga",
                                 "chain-mixed.ogg"};

class OggPlugin : public zvtest::PluginTest {
protected:
    OggPlugin() : PluginTest(ZVAUDIO_OGG_PLUGIN) {}
    // The samples of `parts` each decoded alone, one after the other.
    std::vector<float> alone(const std::vector<Bytes>& parts) const {
        std::vector<float> samples;
        for (const Bytes& part : parts) {
            const auto out = zvtest::decode(*plugin_, part, 4096).samples;
            samples.insert(samples.end(), out.begin(), out.end());
        }
        return samples;
    }
};

TEST_F(OggPlugin, ProbeTakesOggContentTypesAndTheCapturePattern) {
    const Bytes junk = zvtest::noise(4096, 1);
    for (const char* type : {"application/ogg", "audio/ogg", "AUDIO/Opus; codecs=opus"}) {
        EXPECT_EQ(plugin_->probe(type, nullptr, 0), 1) << type;
    }
    for (const char* type : {"audio/mpeg", "audio/oggx", "", "video/ogg"}) {
        EXPECT_EQ(plugin_->probe(type, junk.data(), junk.size()), 0) << type;
    }
    const Bytes ogg = zvtest::audioFixture("chain-opus.opus");
    EXPECT_EQ(plugin_->probe(nullptr, ogg.data(), 4096), 1);
    EXPECT_EQ(plugin_->probe("audio/mpeg", ogg.data(), 3), 0);
}

// Chain after chain, codec change included, each as a fresh decoder gives it, cut at its end
// granule so that it lasts exactly its time.
TEST_F(OggPlugin, ChainsComeOutWholeAndExactlyAsEachAlone) {
    for (const char* name : kFixtures) {
        SCOPED_TRACE(name);
        const Bytes bytes = zvtest::audioFixture(name);
        const std::vector<Bytes> chains = chainsOf(bytes);
        ASSERT_GE(chains.size(), 2u);
        const zvtest::Decoded whole = zvtest::decode(*plugin_, bytes, 4096);
        EXPECT_FALSE(whole.fatal);
        EXPECT_TRUE(whole.samples == alone(chains));
        for (size_t i = 0; i < chains.size(); ++i) {
            const zvtest::Decoded out = zvtest::decode(*plugin_, chains[i], 4096);
            EXPECT_EQ(out.channels, 2);
            EXPECT_EQ(out.frames(), zvtest::fixtureValue(name, "seconds_per_chain") * out.rate);
            // Nothing cut out or put in between pages: the tones run on without a jump.
            EXPECT_LT(zvtest::maxStep(out.samples, 0, out.frames()), 0.1f);
            // The songs' left tones are 440, 550 and 660 Hz.
            const double tone = 440 + 110 * i;
            EXPECT_NEAR(zvtest::measureTone(out.samples, 2, 0, out.rate, 0, out.frames()).frequency,
                        tone, tone / 100);
        }
    }
}

TEST_F(OggPlugin, SameSamplesWhateverTheSplit) {
    for (const char* name : kFixtures) {
        const Bytes bytes = zvtest::audioFixture(name);
        const auto reference = zvtest::decode(*plugin_, bytes, 4096).samples;
        for (const size_t chunk : {1, 333, 65536}) {
            EXPECT_TRUE(zvtest::decode(*plugin_, bytes, chunk).samples == reference)
                << name << " in pieces of " << chunk;
        }
    }
}

// A beginning-of-stream page starts a chain, also with the serial that plays (a reconnect's
// headers); other streams of a group, and chains of an unknown codec, are passed over.
TEST_F(OggPlugin, BeginningPagesStartChainsOfKnownCodecs) {
    const std::vector<Bytes> chains = chainsOf(zvtest::audioFixture("chain-opus.opus"));
    const Pages first = pagesOf(chains[0]);
    const Bytes half = join(Pages(first.begin(), first.begin() + first.size() / 2));
    const Bytes bos = first[0];
    const Bytes rest = join(Pages(first.begin() + 1, first.end()));
    const std::vector<Bytes> mixed = chainsOf(zvtest::audioFixture("chain-mixed.ogg"));
    const Bytes vorbisBos = pagesOf(mixed[0])[0];
    const Bytes foreign = rewritten(mixed[0], 77, true);
    const Bytes foreignBos = pagesOf(foreign)[0];
    const struct {
        const char* name;
        std::vector<Bytes> stream;
        std::vector<Bytes> expected;  // parts that decode alone to the same samples
    } cases[] = {
        {"reconnect", {half, chains[0], chains[1]}, {half, chains[0], chains[1]}},
        {"reconnect after the first page",
         {vorbisBos, rewritten(mixed[1], serialOf(vorbisBos), false)},
         {mixed[1]}},
        {"other stream first", {foreignBos, chains[0]}, {chains[0]}},
        {"other stream after", {bos, foreignBos, rest}, {chains[0]}},
        {"unknown codec chain", {chains[0], foreign, chains[1]}, {chains[0], chains[1]}},
    };
    for (const auto& c : cases) {
        const zvtest::Decoded out = zvtest::decode(*plugin_, join(c.stream), 4096);
        EXPECT_FALSE(out.fatal) << c.name;
        EXPECT_TRUE(out.samples == alone(c.expected)) << c.name;
    }
}

// A page whose checksum fails is as good as lost: its chain decodes on past the gap, and the
// chains after it as if nothing had happened.
TEST_F(OggPlugin, DamagedAndLostPagesAreSteppedOver) {
    for (const char* name : kFixtures) {
        SCOPED_TRACE(name);
        const std::vector<Bytes> chains = chainsOf(zvtest::audioFixture(name));
        Pages pages = pagesOf(join(chains));
        const size_t inFirstChain = 3;  // the first chain's second audio page
        Pages damaged = pages;
        damaged[inFirstChain][damaged[inFirstChain].size() / 2] ^= 0x40;
        pages.erase(pages.begin() + inFirstChain);
        const auto lost = zvtest::decode(*plugin_, join(pages), 4096).samples;
        const zvtest::Decoded out = zvtest::decode(*plugin_, join(damaged), 4096);
        EXPECT_FALSE(out.fatal);
        EXPECT_TRUE(out.samples == lost);
        const auto later = alone(std::vector<Bytes>(chains.begin() + 1, chains.end()));
        const auto first = alone({chains[0]});
        ASSERT_GT(out.samples.size(), later.size() + first.size() / 2);
        EXPECT_TRUE(std::equal(later.begin(), later.end(), out.samples.end() - later.size()));
    }
}

TEST_F(OggPlugin, GivesUpOnLongRunsWithoutADecodablePage) {
    const Bytes chain = zvtest::audioFixture("chain-vorbis.ogg");
    const Bytes noise = zvtest::noise(1 << 20, 5);
    const struct {
        const char* name;
        std::vector<Bytes> stream;
        bool fatal;
    } cases[] = {
        {"noise", {noise}, true},
        {"noise after sound", {chain, noise}, true},
        {"short noise between",
         {chain, Bytes(noise.begin(), noise.begin() + 250000), chain},
         false},
    };
    for (const auto& c : cases) {
        const zvtest::Decoded out = zvtest::decode(*plugin_, join(c.stream), 4096);
        EXPECT_EQ(out.fatal, c.fatal) << c.name;
        EXPECT_FALSE(out.okAfterFatal) << c.name;
    }
}

}  // namespace
