// Chained Ogg stations through the library: each chain's title just before its first byte, the
// sound whole across the joins (SDL's disk driver), and a station that drops its listener
// joined again at a page, its repeated header pages kept from the caller.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "command.h"
#include "heardsound.h"
#include "oggpage.h"
#include "scratchdir.h"
#include "stationd.h"
#include "streamlog.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using Log = zvtest::StreamLog;
using zvtest::waitFor;

const char* const kTitles[] = {"Fehér Lili - Nyári eső", "Kertész Bence - Őszi ágak",
                               "Árvíztűrő tükörfúrógép"};

struct Chain {
    std::size_t offset;  // of its beginning page in the bytes
    std::uint32_t serial;
};

// The chains of a run of whole pages, in order; fails the test on bytes that are no page.
std::vector<Chain> chainsOf(const std::string& bytes) {
    zva::OggPageReader reader;
    reader.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    std::vector<Chain> chains;
    std::size_t offset = 0;
    for (zva::OggPage page; reader.next(page); offset += page.bytes.size()) {
        if (page.beginsStream) {
            chains.push_back({offset, page.serial});
        }
    }
    EXPECT_EQ(reader.skipped(), 0u);
    EXPECT_EQ(offset, bytes.size());
    return chains;
}

// The fixtures' chains carry serials of 100 + their place (200, 300, 400 for the other files).
const char* titleOf(std::uint32_t serial) {
    return kTitles[serial % 100];
}

std::string scratch(const char* ending) {
    return ::testing::TempDir() + "zvaudio-ogg-" + std::to_string(::getpid()) + ending;
}

class OggStreamTest : public ::testing::Test {
protected:
    void TearDown() override {
        ZVA_Free();
        ZVA_PluginFree(0);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::remove(scratch(".raw"));
        std::filesystem::remove(scratch(".log"));
    }
    ZVA_HSTREAM create(const zvtest::Stationd& server, const std::string& path, Log& log) {
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server.url(path).c_str(), 0, ZVA_STREAM_STATUS,
                                                  &Log::download, &log);
        EXPECT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        return h;
    }
    static void init() {
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
        ASSERT_NE(ZVA_PluginLoad("libzvaudio_ogg.so", 0), 0u) << ZVA_ErrorGetCode();
    }
};

// The codec of a fixture chain: Vorbis, Opus and FLAC files have serials from 100, 200 and 300;
// the mixed file's Vorbis song is 400, its Opus song 401.
std::uint32_t typeOf(std::uint32_t serial) {
    const std::uint32_t byFile[] = {0, ZVA_CTYPE_STREAM_VORBIS, ZVA_CTYPE_STREAM_OPUS,
                                    ZVA_CTYPE_STREAM_FLAC_OGG};
    if (serial < 400) {
        return byFile[serial / 100];
    }
    return serial == 400 ? ZVA_CTYPE_STREAM_VORBIS : ZVA_CTYPE_STREAM_OPUS;
}

// Each title as the metadata callback saw it, with the stream's type at that moment.
struct TypedLog : Log {
    std::vector<std::uint32_t> types;  // guarded by mutex, one per Meta event
    static void sync(ZVA_HSYNC, ZVA_HSTREAM stream, uintptr_t data, void* user) {
        auto* log = static_cast<TypedLog*>(user);
        ZVA_ChannelInfo info{};
        ZVA_ChannelGetInfo(stream, &info);
        std::lock_guard lock(log->mutex);
        log->events.push_back({Event::Meta, reinterpret_cast<const char*>(data), log->bytes});
        log->types.push_back(info.ctype);
    }
};

// With a burst and a buffer that take several songs at once, every song's title comes while
// the caller has received exactly the bytes before the song's beginning page, and names it;
// the stream's type is then the song's codec.
TEST_F(OggStreamTest, EachSongsTitleComesJustBeforeItsFirstByte) {
    ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 60000);
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    init();
    for (const char* path : {"/ogg/vorbis", "/ogg/opus", "/ogg/flac", "/ogg/mixed"}) {
        SCOPED_TRACE(path);
        TypedLog log;
        log.keep = true;
        const ZVA_HSTREAM h =
            create(zvtest::sharedStationd(), std::string(path) + "?burst=2000000", log);
        ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &TypedLog::sync, &log), 0u);
        ASSERT_TRUE(waitFor([&] { return log.count(Log::Event::Meta) >= 4; }));
        ZVA_StreamFree(h);

        const std::vector<Chain> chains = chainsOf(log.kept);
        std::size_t meta = 0;
        for (const Log::Event& event : log.snapshot()) {
            if (event.kind != Log::Event::Meta) {
                continue;
            }
            const auto chain = std::find_if(chains.begin(), chains.end(), [&](const Chain& c) {
                return c.offset == event.bytesBefore;
            });
            ASSERT_NE(chain, chains.end()) << event.text;
            EXPECT_EQ(event.text, "StreamTitle='" + std::string(titleOf(chain->serial)) + "';");
            EXPECT_EQ(log.types[meta++], typeOf(chain->serial));
        }
    }
}

// A station that sends ICY titles beside its songs' comments has both told.
TEST_F(OggStreamTest, IcyTitlesOnAnOggStationStillCome) {
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    init();
    Log log;
    const ZVA_HSTREAM h =
        create(zvtest::sharedStationd(),
               "/ogg/vorbis?metaint=2048&titles=Ikrek|Halak&title_interval=1", log);
    ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    EXPECT_TRUE(waitFor([&] {
        return log.count(Log::Event::Meta, "StreamTitle='Ikrek';") > 0 &&
               log.count(Log::Event::Meta, "StreamTitle='Halak';") > 0 &&
               log.count(Log::Event::Meta, kTitles[1]) > 0;
    }));
}

// A chained file played to its end sounds as its songs one after the other: every song's
// samples (after Opus's pre-skip, up to each song's end granule), at 44.1 kHz, nothing lost at
// a join and nothing added, also where the codec and the rate change.
TEST_F(OggStreamTest, TheSoundIsWholeAcrossTheJoins) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", scratch(".raw").c_str(), 1);
    const std::pair<const char*, std::size_t> rows[] = {
        {"/audio/chain-opus.opus", 3 * 3 * 44100},
        {"/audio/chain-mixed.ogg?content_type=audio/ogg", 2 * 3 * 44100},
    };
    for (const auto& [path, frames] : rows) {
        SCOPED_TRACE(path);
        ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
        ASSERT_NE(ZVA_PluginLoad("libzvaudio_ogg.so", 0), 0u);
        Log log;
        const ZVA_HSTREAM h = create(zvtest::sharedStationd(), path, log);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        ASSERT_TRUE(waitFor([&] { return ZVA_ChannelIsActive(h) == ZVA_ACTIVE_STOPPED; }, 60));
        ZVA_Free();
        ZVA_PluginFree(0);
        const auto [silence, length] = zvtest::heardSound(zvtest::readFile(scratch(".raw")));
        EXPECT_LT(silence, 8u);
        EXPECT_NEAR(double(length), double(frames), 64.0);
    }
}

// A station that drops its listener every 2 s is joined again where its clock stands, mostly
// inside the song that plays: its header pages come again, reach the decoder but never the
// caller, and tell no title again. The caller's bytes are whole pages, each song's beginning
// once, and each song cut from them decodes cleanly by itself.
TEST_F(OggStreamTest, ARejoinedStationRepeatsNoHeaderPageToTheCaller) {
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
    ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 30000);
    init();
    const zvtest::Stationd server(ZV_TEST_DATA_DIR, {"--log", scratch(".log")});
    Log log;
    log.keep = true;
    const ZVA_HSTREAM h = create(server, "/ogg/live?drop_after=2&burst=16384", log);
    ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    const auto connections = [&] {
        const std::string text = zvtest::readFile(scratch(".log"));
        std::size_t count = 0;
        for (auto at = text.find("GET "); at != std::string::npos; at = text.find("GET ", at + 1)) {
            ++count;
        }
        return count;
    };
    ASSERT_TRUE(waitFor([&] { return connections() >= 6; }, 60));
    // No callback runs once the stream is freed: the log is the test's alone from here on.
    ZVA_StreamFree(h);
    const std::string kept = log.kept;

    EXPECT_EQ(log.count(Log::Event::Status), 1u);
    EXPECT_EQ(log.count(Log::Event::End), 0u);
    const std::vector<Chain> chains = chainsOf(kept);
    ASSERT_FALSE(chains.empty());
    // The first song's title may come before the sync is set.
    EXPECT_GE(log.count(Log::Event::Meta), chains.size() - 1);
    EXPECT_LE(log.count(Log::Event::Meta), chains.size());
    for (std::size_t i = 0; i < chains.size(); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            EXPECT_NE(chains[i].serial, chains[i - 1].serial);
        }
        const std::size_t end = i + 1 < chains.size() ? chains[i + 1].offset : kept.size();
        const std::string song = scratch(".ogg");
        std::ofstream(song, std::ios::binary)
            << kept.substr(chains[i].offset, end - chains[i].offset);
        EXPECT_EQ(zvtest::runCommand("ffmpeg -v error -i '" + song + "' -f null - 2>&1"), "");
        std::filesystem::remove(song);
    }
}

}  // namespace
