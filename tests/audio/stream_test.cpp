// The C API against stationd on loopback, on the "no sound" device.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "librarytest.h"
#include "scratchdir.h"
#include "stationd.h"
#include "streamlog.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using zvtest::waitFor;

// More than the longest frame of the test stations.
constexpr std::size_t kMaxFrameBytes = 2048;

using zvtest::lines;
using Log = zvtest::StreamLog;

class StreamTest : public zvtest::LibraryTest {
protected:
    static ZVA_HSTREAM open(const std::string& url, Log* log = nullptr) {
        return ZVA_StreamCreateURL(url.c_str(), 0, ZVA_STREAM_STATUS,
                                   log != nullptr ? &Log::download : nullptr, log);
    }
    static ZVA_HSTREAM openPath(const std::string& path, Log* log = nullptr) {
        return open(server->url(path), log);
    }
    static int64_t pos(ZVA_HSTREAM h, uint32_t mode) { return ZVA_StreamGetFilePosition(h, mode); }
};

// A server on a folder of playlists written for the test.
struct LocalStation {
    explicit LocalStation(const std::vector<std::pair<std::string, std::string>>& files) {
        std::ofstream(root.path() / "stations.ini") << "; no stations\n";
        for (const auto& [name, text] : files) {
            std::ofstream(root.path() / name) << text;
        }
        server.emplace(root.path().string());
    }
    const zvtest::ScratchDir root;
    std::optional<zvtest::Stationd> server;
};

TEST_F(StreamTest, PositionsKeepInvariantsAndBurstFillsBeyondThreeQuarters) {
    const ZVA_HSTREAM h = openPath("/mp3");
    ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
    EXPECT_EQ(pos(h, ZVA_FILEPOS_END), 5 * 128000 / 8);
    EXPECT_EQ(pos(h, ZVA_FILEPOS_CONNECTED), 1);
    bool invariant = true;
    EXPECT_TRUE(waitFor([&] {
        const int64_t decoded = pos(h, ZVA_FILEPOS_CURRENT);
        const int64_t received = pos(h, ZVA_FILEPOS_DOWNLOAD);
        const int64_t end = pos(h, ZVA_FILEPOS_END);
        invariant = invariant && decoded <= received && received - decoded <= end;
        return (received - decoded) * 100 > end * 75;
    }));
    EXPECT_TRUE(invariant);
    EXPECT_EQ(pos(h, 3), ZVA_POSITION_NONE);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ILLTYPE);

    // With a pre-buffer set, creation returns only once that share of the buffer is filled.
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 60);
    const ZVA_HSTREAM filled = openPath("/mp3?burst=16384");
    ASSERT_NE(filled, 0u);
    EXPECT_GE((pos(filled, ZVA_FILEPOS_DOWNLOAD) - pos(filled, ZVA_FILEPOS_CURRENT)) * 100,
              pos(filled, ZVA_FILEPOS_END) * 60);
}

// Voluntary context switches so far of this process's thread named `name`; -1 when none is.
long long voluntarySwitches(const std::string& name) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string word;
        std::ifstream comm(task.path() / "comm");
        if (std::getline(comm, word) && word == name) {
            std::ifstream status(task.path() / "status");
            long long count = -1;
            while (status >> word && word != "voluntary_ctxt_switches:") {
            }
            status >> count;
            return count;
        }
    }
    return -1;
}

TEST_F(StreamTest, PacedStationIsDownloadedInGatheredSteps) {
    // The burst leaves the buffer below half full; then packets of about 320 bytes follow
    // every 20 ms, which the playing download lets gather instead of waking for each.
    const ZVA_HSTREAM h = openPath("/mp3?burst=32768");
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_DOWNLOAD) > 32768; }));
    const long long switches = voluntarySwitches("zva-download");
    ASSERT_GE(switches, 0);
    const int64_t from = pos(h, ZVA_FILEPOS_DOWNLOAD);
    ASSERT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_DOWNLOAD) - from >= 24000; }));
    EXPECT_LT((voluntarySwitches("zva-download") - switches) * 2048,
              pos(h, ZVA_FILEPOS_DOWNLOAD) - from);
}

TEST_F(StreamTest, HeaderTagsFollowTheStatusLine) {
    for (const auto& [path, status] :
         {std::pair{"/mp3", "ICY 200 OK"}, std::pair{"/http/mp3", "HTTP/1.0 200 OK"}}) {
        const bool icy = status[0] == 'I';
        const ZVA_HSTREAM h = openPath(path);
        const char* tags = ZVA_ChannelGetTags(h, icy ? ZVA_TAG_ICY : ZVA_TAG_HTTP);
        ASSERT_NE(tags, nullptr) << path;
        EXPECT_STREQ(tags, status);
        EXPECT_NE(lines(tags).find("icy-name:"), std::string::npos) << lines(tags);
        EXPECT_EQ(ZVA_ChannelGetTags(h, icy ? ZVA_TAG_HTTP : ZVA_TAG_ICY), nullptr) << path;
    }
}

TEST_F(StreamTest, MetadataSyncSitsAtTheTitleByteBetweenDownloadBlocks) {
    Log log;
    const ZVA_HSTREAM h = openPath("/mp3?title_interval=0.5&burst=8192", &log);
    ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ASSERT_TRUE(waitFor([&] { return log.count(Log::Event::Meta) >= 2; }));
    const auto events = log.snapshot();
    ASSERT_EQ(events.front().kind, Log::Event::Status);
    EXPECT_EQ(events.front().bytesBefore, 0u);
    EXPECT_EQ(events.front().text.rfind("ICY 200 OK\n", 0), 0u);
    std::string lastMeta;
    for (const auto& e : events) {
        if (e.kind == Log::Event::Meta) {
            // The bytes reach the callback in whole frames: the title comes after the last
            // whole frame before its block.
            EXPECT_LT((8192 - e.bytesBefore % 8192) % 8192, kMaxFrameBytes)
                << "title after " << e.bytesBefore << " bytes";
            EXPECT_EQ(e.text.rfind("StreamTitle='", 0), 0u) << e.text;
            lastMeta = e.text;
        }
    }
    EXPECT_NE(lastMeta.find("dal';"), std::string::npos);
    // The tag is the text of the latest block, as the last sync saw it.
    EXPECT_TRUE(waitFor([&] {
        const char* meta = ZVA_ChannelGetTags(h, ZVA_TAG_META);
        const auto now = log.snapshot();
        return meta != nullptr && now.back().kind == Log::Event::Meta && now.back().text == meta;
    }));
    ZVA_StreamFree(h);  // before the log goes
}

TEST_F(StreamTest, StallsWhenDryAndResumesAfterRefill) {
    ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 1000);
    const ZVA_HSTREAM h = openPath("/mp3?burst=8192&stall_at=0.5&stall_for=1");
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    std::vector<uint32_t> states;
    waitFor([&] {
        const uint32_t state = ZVA_ChannelIsActive(h);
        if (states.empty() || states.back() != state) {
            states.push_back(state);
        }
        if (state == ZVA_ACTIVE_STALLED) {
            EXPECT_EQ(ZVA_ChannelGetLevel(h), 0u);
        }
        return states.size() >= 3;
    });
    EXPECT_EQ(states, (std::vector<uint32_t>{1, 2, 1}));
    EXPECT_EQ(pos(h, ZVA_FILEPOS_CONNECTED), 1);
}

TEST_F(StreamTest, FreeReturnsBeforeTheReadTimeoutWhileServerStalls) {
    constexpr int kReadTimeoutMs = 15000;
    ZVA_SetConfig(ZVA_CONFIG_NET_READTIMEOUT, kReadTimeoutMs);
    ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 1000);
    Log log;
    const ZVA_HSTREAM h = openPath("/mp3?burst=4096&stall_at=0.1&stall_for=60", &log);
    ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_TRUE(waitFor([&] { return ZVA_ChannelIsActive(h) == ZVA_ACTIVE_STALLED; }, 20));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ZVA_Free(), 1);
    log.closed = true;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kReadTimeoutMs));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    EXPECT_NE(openPath("/mp3"), h);
    EXPECT_EQ(log.lateCalls, 0);
}

// How creation ends, by what answers and the options in force. A full buffer counts as
// pre-buffered although the download then waits for room; a stream that never fills it fails
// after the connect timeout.
TEST_F(StreamTest, CreationEndsWithTheAnswersCode) {
    const std::string live = server->url("/mp3");
    // Sixteen entries are tried in all: the stream behind fifteen dead ones plays, the one
    // behind sixteen is never reached.
    const auto deadEntries = [&](int dead) {
        std::string list = "[playlist]\n";
        for (int i = 1; i <= dead; ++i) {
            list += "File" + std::to_string(i) + "=http://@HOST@/nincs/" + std::to_string(i) + "\n";
        }
        return list + "File" + std::to_string(dead + 1) + "=" + live + "\n";
    };
    const LocalStation local({{"self.m3u", "#EXTM3U\nhttp://@HOST@/self.m3u\n"},
                              {"big.pls", deadEntries(3000)},
                              {"fifteen.pls", deadEntries(15)},
                              {"sixteen.pls", deadEntries(16)}});
    const zvtest::Stationd refusing(ZV_TEST_DATA_DIR, {"--refuse"});
    const auto at = [&](const char* path) { return server->url(path); };
    const auto atLocal = [&](const char* path) { return local.server->url(path); };
    const struct Case {
        std::string url;
        int error;
        int prebuf = 0;
        int connectMs = 5000;
        int playlists = 1;
    } cases[] = {
        {at("/mp3"), ZVA_OK, 100},
        // 64 kbit/s: the 64 KiB connect burst alone overfills the 40 kB buffer.
        {at("/mp3-22"), ZVA_OK, 75},
        {at("/mp3?burst=0&trickle=1"), ZVA_ERROR_TIMEOUT, 75, 300},
        // An interval this small would make every few audio bytes a metadata block.
        {at("/mp3?metaint=15"), ZVA_ERROR_NOTAVAIL},
        {at("/mp3?metaint=16"), ZVA_OK},
        {at("/playlists/mp3.pls"), ZVA_OK},
        {at("/playlists/mp3.m3u"), ZVA_OK},
        {at("/playlists/fallback.pls"), ZVA_OK},
        {at("/playlists/nested.m3u"), ZVA_OK},
        // Judged by the address that answered: a .pls that redirects to a stream is audio, an
        // address that redirects to a playlist served as text is a playlist.
        {at("/redirect/radio.pls"), ZVA_OK},
        {at("/redirect/listen"), ZVA_OK},
        {at("/playlists/mp3.pls"), ZVA_ERROR_FILEFORM, 0, 5000, 0},
        {atLocal("/self.m3u"), ZVA_ERROR_FILEFORM},
        {atLocal("/big.pls"), ZVA_ERROR_FILEFORM},
        {atLocal("/fifteen.pls"), ZVA_OK},
        {atLocal("/sixteen.pls"), ZVA_ERROR_FILEOPEN},
        {at("/nincs-ilyen"), ZVA_ERROR_FILEOPEN},
        {at("/stations.ini"), ZVA_ERROR_FILEFORM},
        {at("/redirect/loop"), ZVA_ERROR_FILEFORM},
        {at("/mp3?header_padding=1048576"), ZVA_ERROR_FILEFORM},
        {at("/aac"), ZVA_ERROR_CODEC},
        {"file:///etc/passwd", ZVA_ERROR_FILEOPEN},
        {refusing.url("/mp3"), ZVA_ERROR_FILEOPEN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, c.prebuf);
        ZVA_SetConfig(ZVA_CONFIG_NET_TIMEOUT, c.connectMs);
        ZVA_SetConfig(ZVA_CONFIG_NET_PLAYLIST, c.playlists);
        const ZVA_HSTREAM h = open(c.url);
        EXPECT_EQ(ZVA_ErrorGetCode(), c.error);
        EXPECT_EQ(h != 0, c.error == ZVA_OK);
        ZVA_StreamFree(h);
    }
}

TEST_F(StreamTest, FreedHandleFailsEverywhere) {
    Log log;
    const ZVA_HSTREAM h = openPath("/mp3?title_interval=0.2", &log);
    ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_EQ(ZVA_StreamFree(h), 1);
    log.closed = true;
    EXPECT_EQ(ZVA_StreamFree(h), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
    EXPECT_EQ(ZVA_ChannelGetTags(h, ZVA_TAG_ICY), nullptr);
    EXPECT_EQ(ZVA_ChannelGetLevel(h), ZVA_LEVEL_NONE);
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 0);
    EXPECT_EQ(ZVA_ChannelSetAttributes(h, -1, 50, -101), 0);
    EXPECT_EQ(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ZVA_ChannelInfo info{};
    EXPECT_EQ(ZVA_ChannelGetInfo(h, &info), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
    const ZVA_HSTREAM next = openPath("/mp3");
    EXPECT_NE(next, h);
    ASSERT_TRUE(waitFor([&] { return pos(next, ZVA_FILEPOS_DOWNLOAD) > 65536; }));
    EXPECT_EQ(log.lateCalls, 0);
}

TEST_F(StreamTest, DamagedStreamsStillPlay) {
    for (const char* path :
         {"/mp3?garbage_after=20000&burst=32768", "/mp3?meta_overrun=1&title_interval=0.2",
          "/mp3?no_metadata=1", "/mp2"}) {
        const ZVA_HSTREAM h = openPath(path);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1) << path << " error " << ZVA_ErrorGetCode();
        const int64_t start = pos(h, ZVA_FILEPOS_CURRENT);
        EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CURRENT) > start + 8192; })) << path;
        EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING) << path;
        ZVA_StreamFree(h);
    }
}

TEST(StreamApi, CallsBeforeInitAndBadArguments) {
    const auto fails = [](bool ok, int error) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(ZVA_ErrorGetCode(), error);
    };
    fails(ZVA_StreamCreateURL("http://127.0.0.1:1/", 0, 0, nullptr, nullptr), ZVA_ERROR_INIT);
    fails(ZVA_Free(), ZVA_ERROR_INIT);
    fails(ZVA_SetConfig(999, 1), ZVA_ERROR_ILLTYPE);
    fails(ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 101), ZVA_ERROR_ILLPARAM);
    fails(ZVA_SetConfig(ZVA_CONFIG_NET_PROXY, reinterpret_cast<uintptr_t>("ftp://a:21")),
          ZVA_ERROR_ILLPARAM);
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    fails(ZVA_Init(0, 44100, 0, nullptr, nullptr), ZVA_ERROR_ALREADY);
    EXPECT_EQ(ZVA_Free(), 1);
}

TEST_F(StreamTest, AacPlaysThroughTheAddOnWhileItIsLoaded) {
    for (const auto& [name, error] : {std::pair{"libzvaudio_nincs.so", ZVA_ERROR_FILEOPEN},
                                      std::pair{"libzvaudio.so", ZVA_ERROR_FILEFORM},
                                      std::pair{ZV_BAD_PLUGIN, ZVA_ERROR_VERSION}}) {
        EXPECT_EQ(ZVA_PluginLoad(name, 0), 0u);
        EXPECT_EQ(ZVA_ErrorGetCode(), error) << name;
    }
    const ZVA_HPLUGIN plugin = ZVA_PluginLoad("libzvaudio_aac.so", 0);
    ASSERT_NE(plugin, 0u) << ZVA_ErrorGetCode();
    const ZVA_HSTREAM h = openPath("/aac");
    ZVA_ChannelInfo info{};
    ASSERT_EQ(ZVA_ChannelGetInfo(h, &info), 1) << ZVA_ErrorGetCode();
    EXPECT_EQ(std::tuple(info.ctype, info.freq, info.chans, info.plugin),
              std::tuple(ZVA_CTYPE_STREAM_AAC, 44100u, 2u, plugin));
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(waitFor([&] {
        const uint32_t level = ZVA_ChannelGetLevel(h);
        return level != ZVA_LEVEL_NONE && (level & 0xFFFF) > 1000 && (level >> 16) > 1000;
    }));

    // Unloading forgets the add-on for new streams; the playing one keeps its decoder.
    ASSERT_EQ(ZVA_PluginFree(0), 1);
    const int64_t decoded = pos(h, ZVA_FILEPOS_CURRENT);
    EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CURRENT) > decoded + 2048; }));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);
    EXPECT_EQ(openPath("/aac"), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_CODEC);
    EXPECT_EQ(ZVA_PluginFree(plugin), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
}

TEST_F(StreamTest, PlaylistEntryRefusedForItsFormatGivesWayToTheNext) {
    // The AAC entry sends a title before it is refused.
    const LocalStation local(
        {{"mixed.m3u", server->url("/aac?metaint=1024&title_interval=60") + "\n" +
                           server->url("/mp3?metaint=65536&title_interval=60") + "\n"}});
    Log log;
    const ZVA_HSTREAM h = open(local.server->url("/mixed.m3u"), &log);
    ZVA_ChannelInfo info{};
    ASSERT_EQ(ZVA_ChannelGetInfo(h, &info), 1) << ZVA_ErrorGetCode();
    EXPECT_EQ(info.ctype, ZVA_CTYPE_STREAM_MP3);
    // The caller saw only the answer that plays, from its header block on, and no title of the
    // refused one.
    ASSERT_EQ(log.count(Log::Event::Status), 1u);
    EXPECT_EQ(log.snapshot().front().bytesBefore, 0u);
    EXPECT_NE(log.snapshot().front().text.find("Teszt Rádió MP3"), std::string::npos);
    const char* meta = ZVA_ChannelGetTags(h, ZVA_TAG_META);
    EXPECT_TRUE(meta == nullptr || std::string(meta).find("AAC") == std::string::npos) << meta;
    ZVA_StreamFree(h);  // before the log goes
}

TEST_F(StreamTest, StopPausesOutputAndPlayResumes) {
    const ZVA_HSTREAM h = openPath("/mp3");
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_ChannelGetLevel(h), ZVA_LEVEL_NONE);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_EQ(ZVA_Stop(), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PAUSED);
    const int64_t decoded = pos(h, ZVA_FILEPOS_CURRENT);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);
    EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CURRENT) > decoded + 4096; }));
    ASSERT_EQ(ZVA_ChannelStop(h), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_ChannelSetAttributes(h, -1, 101, -101), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ILLPARAM);
    ASSERT_EQ(ZVA_ChannelSetAttributes(h, -1, 37, -20), 1);
    int freq = 0, volume = 0, pan = 0;
    ASSERT_EQ(ZVA_ChannelGetAttributes(h, &freq, &volume, &pan), 1);
    EXPECT_EQ(std::tuple(freq, volume, pan), std::tuple(44100, 37, -20));
    EXPECT_EQ(ZVA_ChannelGetAttributes(0, nullptr, &volume, nullptr), 0);
}

}  // namespace
