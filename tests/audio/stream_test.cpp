// The C API against stationd on loopback, on the "no sound" device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "librarytest.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using zvtest::waitFor;

// Everything the download thread reports, in the order it reported it.
struct Log {
    struct Event {
        enum Kind { Status, Data, End, Meta } kind;
        std::string text;         // status block or metadata text
        std::size_t bytesBefore;  // audio bytes received before this event
    };
    std::mutex mutex;
    std::vector<Event> events;
    std::size_t bytes = 0;
    std::atomic<bool> closed{false};  // set once the stream was freed
    std::atomic<int> lateCalls{0};    // callbacks after that

    static void download(const void* buffer, uint32_t length, void* user) {
        auto* log = static_cast<Log*>(user);
        if (log->closed) {
            ++log->lateCalls;
        }
        std::lock_guard lock(log->mutex);
        if (buffer == nullptr) {
            log->events.push_back({Event::End, {}, log->bytes});
        } else if (length == 0) {
            const char* p = static_cast<const char*>(buffer);
            std::string block;
            while (*p != '\0') {
                block += p;
                block += '\n';
                p += std::strlen(p) + 1;
            }
            log->events.push_back({Event::Status, block, log->bytes});
        } else {
            log->bytes += length;
        }
    }
    static void sync(ZVA_HSYNC, ZVA_HSTREAM, uintptr_t data, void* user) {
        auto* log = static_cast<Log*>(user);
        if (log->closed) {
            ++log->lateCalls;
        }
        std::lock_guard lock(log->mutex);
        log->events.push_back({Event::Meta, reinterpret_cast<const char*>(data), log->bytes});
    }
    std::vector<Event> snapshot() {
        std::lock_guard lock(mutex);
        return events;
    }
    std::size_t count(Event::Kind kind) {
        std::size_t n = 0;
        for (const auto& e : snapshot()) {
            n += e.kind == kind;
        }
        return n;
    }
};

class StreamTest : public zvtest::LibraryTest {
protected:
    ZVA_HSTREAM open(const std::string& path, Log* log = nullptr) {
        return ZVA_StreamCreateURL(server->url(path).c_str(), 0, ZVA_STREAM_STATUS,
                                   log != nullptr ? &Log::download : nullptr, log);
    }
    static int64_t pos(ZVA_HSTREAM h, uint32_t mode) { return ZVA_StreamGetFilePosition(h, mode); }
};

TEST_F(StreamTest, PositionsKeepInvariantsAndBurstFillsBeyondThreeQuarters) {
    const ZVA_HSTREAM h = open("/mp3");
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
    ZVA_ChannelInfo info{};
    ASSERT_EQ(ZVA_ChannelGetInfo(h, &info), 1);
    EXPECT_EQ(info.ctype, ZVA_CTYPE_STREAM_MP3);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 2u);

    // With a pre-buffer set, creation returns only once that share of the buffer is filled.
    ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 60);
    const ZVA_HSTREAM filled = open("/mp3?burst=16384");
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
    // every 20 ms. While the sound plays, the download lets them gather instead of waking for
    // each.
    const ZVA_HSTREAM h = open("/mp3?burst=32768");
    ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_DOWNLOAD) > 32768; }));
    const long long switches = voluntarySwitches("zva-download");
    ASSERT_GE(switches, 0);
    const int64_t from = pos(h, ZVA_FILEPOS_DOWNLOAD);
    ASSERT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_DOWNLOAD) - from >= 24000; }));
    const int64_t received = pos(h, ZVA_FILEPOS_DOWNLOAD) - from;
    EXPECT_LT((voluntarySwitches("zva-download") - switches) * 2048, received);
}

TEST_F(StreamTest, HeaderTagsFollowTheStatusLine) {
    const ZVA_HSTREAM icy = open("/mp3");
    ASSERT_NE(icy, 0u);
    const char* tags = ZVA_ChannelGetTags(icy, ZVA_TAG_ICY);
    ASSERT_NE(tags, nullptr);
    EXPECT_STREQ(tags, "ICY 200 OK");
    bool named = false;
    for (const char* p = tags; *p != '\0'; p += std::strlen(p) + 1) {
        named = named || std::string(p) == "icy-name:Teszt Rádió MP3" ||
                std::string(p) == "icy-name: Teszt Rádió MP3";
    }
    EXPECT_TRUE(named);
    EXPECT_EQ(ZVA_ChannelGetTags(icy, ZVA_TAG_HTTP), nullptr);

    const ZVA_HSTREAM http = open("/http/mp3");
    ASSERT_NE(http, 0u);
    EXPECT_EQ(ZVA_ChannelGetTags(http, ZVA_TAG_ICY), nullptr);
    ASSERT_NE(ZVA_ChannelGetTags(http, ZVA_TAG_HTTP), nullptr);
    EXPECT_STREQ(ZVA_ChannelGetTags(http, ZVA_TAG_HTTP), "HTTP/1.0 200 OK");
}

TEST_F(StreamTest, MetadataSyncSitsAtTheTitleByteBetweenDownloadBlocks) {
    Log log;
    const ZVA_HSTREAM h = open("/mp3?title_interval=0.5&burst=8192", &log);
    ASSERT_NE(h, 0u);
    ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ASSERT_TRUE(waitFor([&] { return log.count(Log::Event::Meta) >= 2; }));
    const auto events = log.snapshot();
    ASSERT_EQ(events.front().kind, Log::Event::Status);
    EXPECT_EQ(events.front().bytesBefore, 0u);
    EXPECT_EQ(events.front().text.rfind("ICY 200 OK\n", 0), 0u);
    std::string lastMeta;
    for (const auto& e : events) {
        if (e.kind == Log::Event::Meta) {
            EXPECT_EQ(e.bytesBefore % 8192, 0u) << "title after " << e.bytesBefore << " bytes";
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
}

TEST_F(StreamTest, DropEndsConnectionAndDownloadThenPlayOut) {
    Log log;
    const ZVA_HSTREAM h = open("/mp3?drop_after=0.5&burst=4096", &log);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CONNECTED) == 0; }));
    EXPECT_TRUE(waitFor([&] { return log.count(Log::Event::End) == 1; }));
    EXPECT_EQ(log.snapshot().back().kind, Log::Event::End);
    EXPECT_EQ(pos(h, ZVA_FILEPOS_DOWNLOAD), static_cast<int64_t>(log.bytes));
    EXPECT_TRUE(waitFor([&] { return ZVA_ChannelIsActive(h) == ZVA_ACTIVE_STOPPED; }));
    EXPECT_EQ(ZVA_ChannelGetLevel(h), ZVA_LEVEL_NONE);
    EXPECT_EQ(pos(h, ZVA_FILEPOS_CURRENT), pos(h, ZVA_FILEPOS_DOWNLOAD));
}

TEST_F(StreamTest, StallsWhenDryAndResumesAfterRefill) {
    ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 1000);
    const ZVA_HSTREAM h = open("/mp3?burst=8192&stall_at=0.5&stall_for=1");
    ASSERT_NE(h, 0u);
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

TEST_F(StreamTest, SilenceLongerThanReadTimeoutClosesConnection) {
    ZVA_SetConfig(ZVA_CONFIG_NET_READTIMEOUT, 400);
    Log log;
    const ZVA_HSTREAM h = open("/mp3?burst=4096&stall_at=0.2&stall_for=20", &log);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CONNECTED) == 0; }));
    EXPECT_TRUE(waitFor([&] { return log.count(Log::Event::End) == 1; }));
}

TEST_F(StreamTest, FreeReturnsPromptlyWhileServerStalls) {
    ZVA_SetConfig(ZVA_CONFIG_NET_BUFFER, 1000);
    Log log;
    const ZVA_HSTREAM h = open("/mp3?burst=4096&stall_at=0.1&stall_for=60", &log);
    ASSERT_NE(h, 0u);
    ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_TRUE(waitFor([&] { return ZVA_ChannelIsActive(h) == ZVA_ACTIVE_STALLED; }, 20));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ZVA_Free(), 1);
    log.closed = true;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Far below the read timeout and the stall, with room for sanitizer builds.
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    const ZVA_HSTREAM next = open("/mp3");
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, h);
    EXPECT_EQ(log.lateCalls, 0);
}

TEST_F(StreamTest, FreeCancelsCreationWaitingForServer) {
    constexpr int kDelayMs = 30000;
    ZVA_SetConfig(ZVA_CONFIG_NET_OPENTIMEOUT, 2 * kDelayMs);
    std::atomic<ZVA_HSTREAM> created{1};
    std::atomic<int> error{0};
    std::thread creator([&] {
        created = open("/playlists/mp3.pls?delay_ms=" + std::to_string(kDelayMs));
        error = ZVA_ErrorGetCode();
    });
    // The request is on its way once the server has had a moment; Free must not wait for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ZVA_Free(), 1);
    creator.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kDelayMs));
    EXPECT_EQ(created, 0u);
    EXPECT_EQ(error, ZVA_ERROR_INIT);
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
}

// Creation always settles: a full buffer counts as pre-buffered although the download then
// waits for room, and a stream that never fills it fails after three connect timeouts.
TEST_F(StreamTest, CreationSettlesWithinItsBounds) {
    const struct {
        const char* path;
        int prebuf;
        int connectMs;
        int error;
    } cases[] = {
        {"/mp3", 100, 5000, ZVA_OK},
        // 64 kbit/s: the 64 KiB connect burst alone overfills the 40 kB buffer.
        {"/mp3-22", 75, 5000, ZVA_OK},
        {"/mp3?burst=0&trickle=1", 75, 300, ZVA_ERROR_TIMEOUT},
        // An interval this small would make every few audio bytes a metadata block.
        {"/mp3?metaint=15", 0, 5000, ZVA_ERROR_NOTAVAIL},
        {"/mp3?metaint=16", 0, 5000, ZVA_OK},
    };
    for (const auto& c : cases) {
        ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, c.prebuf);
        ZVA_SetConfig(ZVA_CONFIG_NET_TIMEOUT, c.connectMs);
        const ZVA_HSTREAM h = open(c.path);
        EXPECT_EQ(ZVA_ErrorGetCode(), c.error) << c.path;
        EXPECT_EQ(h != 0, c.error == ZVA_OK) << c.path;
        ZVA_StreamFree(h);
    }
    ZVA_SetConfig(ZVA_CONFIG_NET_TIMEOUT, 5000);
}

TEST_F(StreamTest, FreedHandleFailsEverywhere) {
    Log log;
    const ZVA_HSTREAM h = open("/mp3?title_interval=0.2", &log);
    ASSERT_NE(h, 0u);
    ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_EQ(ZVA_StreamFree(h), 1);
    log.closed = true;
    EXPECT_EQ(ZVA_StreamFree(h), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
    EXPECT_EQ(pos(h, ZVA_FILEPOS_CONNECTED), ZVA_POSITION_NONE);
    EXPECT_EQ(ZVA_ChannelGetTags(h, ZVA_TAG_ICY), nullptr);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_ChannelGetLevel(h), ZVA_LEVEL_NONE);
    EXPECT_EQ(ZVA_ChannelPlay(h, 0), 0);
    EXPECT_EQ(ZVA_ChannelSetAttributes(h, -1, 50, -101), 0);
    EXPECT_EQ(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ZVA_ChannelInfo info{};
    EXPECT_EQ(ZVA_ChannelGetInfo(h, &info), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
    const ZVA_HSTREAM next = open("/mp3");
    EXPECT_NE(next, h);
    ASSERT_TRUE(waitFor([&] { return ZVA_StreamGetFilePosition(next, 1) > 65536; }));
    EXPECT_EQ(log.lateCalls, 0);
}

TEST_F(StreamTest, PlaylistsAreFollowedInOrderWhenEnabled) {
    // Judged by the address that answered: a .pls that redirects to a stream is audio, an
    // address that redirects to a playlist served as text is a playlist.
    for (const char* path : {"/playlists/mp3.pls", "/playlists/mp3.m3u", "/playlists/fallback.pls",
                             "/playlists/nested.m3u", "/redirect/radio.pls", "/redirect/listen"}) {
        const ZVA_HSTREAM h = open(path);
        ASSERT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        ZVA_ChannelInfo info{};
        ZVA_ChannelGetInfo(h, &info);
        EXPECT_EQ(info.ctype, ZVA_CTYPE_STREAM_MP3);
        ZVA_StreamFree(h);
    }
    ZVA_SetConfig(ZVA_CONFIG_NET_PLAYLIST, 0);
    EXPECT_EQ(open("/playlists/mp3.pls"), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_FILEFORM);
}

TEST_F(StreamTest, RefusedAnswersGiveErrorCodes) {
    const struct {
        const char* path;
        int error;
    } cases[] = {
        {"/nincs-ilyen", ZVA_ERROR_FILEOPEN},
        {"/stations.ini", ZVA_ERROR_FILEFORM},
        {"/redirect/loop", ZVA_ERROR_FILEFORM},
        {"/mp3?header_padding=1048576", ZVA_ERROR_FILEFORM},
        {"/aac", ZVA_ERROR_CODEC},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(open(c.path), 0u) << c.path;
        EXPECT_EQ(ZVA_ErrorGetCode(), c.error) << c.path;
    }
    EXPECT_EQ(ZVA_StreamCreateURL("file:///etc/passwd", 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_FILEOPEN);
    zvtest::Stationd refusing(ZV_TEST_DATA_DIR, {"--refuse"});
    EXPECT_EQ(ZVA_StreamCreateURL(refusing.url("/mp3").c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_NE(ZVA_ErrorGetCode(), ZVA_OK);
}

TEST_F(StreamTest, DamagedStreamsStillPlay) {
    for (const char* path :
         {"/redirect/mp3", "/mp3?garbage_after=20000&burst=32768",
          "/mp3?meta_overrun=1&title_interval=0.2", "/mp3?no_metadata=1", "/mp2"}) {
        const ZVA_HSTREAM h = open(path);
        ASSERT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        const int64_t start = pos(h, ZVA_FILEPOS_CURRENT);
        EXPECT_TRUE(waitFor([&] { return pos(h, ZVA_FILEPOS_CURRENT) > start + 8192; })) << path;
        EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING) << path;
        ZVA_StreamFree(h);
    }
}

TEST(StreamApi, CallsBeforeInitAndBadArguments) {
    EXPECT_EQ(ZVA_GetVersion() >> 16, 0x0203u);
    EXPECT_EQ(ZVA_StreamCreateURL("http://127.0.0.1:1/", 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_INIT);
    EXPECT_EQ(ZVA_Free(), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_INIT);
    EXPECT_EQ(ZVA_SetConfig(999, 1), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ILLTYPE);
    EXPECT_EQ(ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 101), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ILLPARAM);
    const char agent[] = "Zenovia v2.0.0";
    ASSERT_EQ(ZVA_SetConfig(ZVA_CONFIG_NET_AGENT, reinterpret_cast<uintptr_t>(agent)), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(ZVA_GetConfig(ZVA_CONFIG_NET_AGENT)), agent);
    EXPECT_EQ(ZVA_SetConfig(ZVA_CONFIG_NET_PROXY, reinterpret_cast<uintptr_t>("ftp://a:21")), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ILLPARAM);
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    EXPECT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ALREADY);
    EXPECT_EQ(ZVA_Free(), 1);
}

}  // namespace

namespace {

TEST_F(StreamTest, AacRefusedBeforePluginLoadAndPlayedAfter) {
    EXPECT_EQ(open("/aac"), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_CODEC);
    EXPECT_EQ(ZVA_PluginLoad("libzvaudio_nincs.so", 0), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_FILEOPEN);
    EXPECT_EQ(ZVA_PluginLoad("libzvaudio.so", 0), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_FILEFORM);
    EXPECT_EQ(ZVA_PluginLoad(ZV_BAD_PLUGIN, 0), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_VERSION);

    const ZVA_HPLUGIN plugin = ZVA_PluginLoad("libzvaudio_aac.so", 0);
    ASSERT_NE(plugin, 0u) << ZVA_ErrorGetCode();
    EXPECT_EQ(ZVA_PluginLoad("libzvaudio_aac.so", 0), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_ALREADY);
    const ZVA_HSTREAM h = open("/aac");
    ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
    ZVA_ChannelInfo info{};
    ASSERT_EQ(ZVA_ChannelGetInfo(h, &info), 1);
    EXPECT_EQ(info.ctype, ZVA_CTYPE_STREAM_AAC);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 2u);
    EXPECT_EQ(info.plugin, plugin);
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
    EXPECT_EQ(open("/aac"), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_CODEC);
    EXPECT_EQ(ZVA_PluginFree(plugin), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_HANDLE);
}

}  // namespace

namespace {

TEST_F(StreamTest, PlaylistEntryRefusedForItsFormatGivesWayToTheNext) {
    const auto root = std::filesystem::path(::testing::TempDir()) /
                      ("zvaudio-mixed-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    std::ofstream(root / "stations.ini") << "; no stations\n";
    // The AAC entry sends a title before it is refused.
    std::ofstream(root / "mixed.m3u")
        << server->url("/aac?metaint=1024&title_interval=60") << "\n"
        << server->url("/mp3?metaint=65536&title_interval=60") << "\n";
    zvtest::Stationd local(root.string());
    Log log;
    const ZVA_HSTREAM h = ZVA_StreamCreateURL(local.url("/mixed.m3u").c_str(), 0, ZVA_STREAM_STATUS,
                                              &Log::download, &log);
    ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
    ZVA_ChannelInfo info{};
    ZVA_ChannelGetInfo(h, &info);
    EXPECT_EQ(info.ctype, ZVA_CTYPE_STREAM_MP3);
    // The caller saw only the answer that plays, from its header block on, and no title of the
    // refused one.
    const auto events = log.snapshot();
    ASSERT_EQ(log.count(Log::Event::Status), 1u);
    EXPECT_EQ(events.front().bytesBefore, 0u);
    EXPECT_NE(events.front().text.find("Teszt Rádió MP3"), std::string::npos);
    const char* meta = ZVA_ChannelGetTags(h, ZVA_TAG_META);
    EXPECT_TRUE(meta == nullptr || std::string(meta).find("AAC") == std::string::npos) << meta;
    std::filesystem::remove_all(root);
}

TEST_F(StreamTest, PlaylistsAreBoundedInDepthSizeAndEntries) {
    const auto root = std::filesystem::path(::testing::TempDir()) /
                      ("zvaudio-playlists-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    std::ofstream(root / "stations.ini") << "; no stations\n";
    std::ofstream(root / "self.m3u") << "#EXTM3U\nhttp://@HOST@/self.m3u\n";
    const auto deadEntries = [&](const char* name, int dead, const std::string& last) {
        std::ofstream list(root / name);
        list << "[playlist]\n";
        for (int i = 1; i <= dead; ++i) {
            list << "File" << i << "=http://@HOST@/nincs/" << i << "\n";
        }
        list << "File" << dead + 1 << "=" << last << "\n";
    };
    const std::string live = server->url("/mp3");
    deadEntries("big.pls", 3000, live);
    // Sixteen entries are tried in all: the stream behind fifteen dead ones plays, the one
    // behind sixteen is never reached.
    deadEntries("fifteen.pls", 15, live);
    deadEntries("sixteen.pls", 16, live);
    zvtest::Stationd local(root.string());
    const struct {
        const char* path;
        int error;
    } cases[] = {
        {"/self.m3u", ZVA_ERROR_FILEFORM},
        {"/big.pls", ZVA_ERROR_FILEFORM},
        {"/fifteen.pls", ZVA_OK},
        {"/sixteen.pls", ZVA_ERROR_FILEOPEN},
    };
    for (const auto& c : cases) {
        const ZVA_HSTREAM h =
            ZVA_StreamCreateURL(local.url(c.path).c_str(), 0, 0, nullptr, nullptr);
        EXPECT_EQ(ZVA_ErrorGetCode(), c.error) << c.path;
        ZVA_StreamFree(h);
    }
    std::filesystem::remove_all(root);
}

struct SelfFree {
    std::atomic<ZVA_HSTREAM> handle{0};
    std::atomic<int> after{0};  // callbacks after the stream freed itself
    std::atomic<bool> freed{false};

    static void download(const void* buffer, uint32_t length, void* user) {
        auto* self = static_cast<SelfFree*>(user);
        if (self->freed) {
            ++self->after;
            return;
        }
        if (buffer != nullptr && length > 0 && self->handle != 0) {
            self->freed = ZVA_StreamFree(self->handle) == 1;
        }
    }
};

TEST_F(StreamTest, StreamMayFreeItselfFromItsCallback) {
    SelfFree state;
    const ZVA_HSTREAM h =
        ZVA_StreamCreateURL(server->url("/mp3").c_str(), 0, 0, &SelfFree::download, &state);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    state.handle = h;
    ASSERT_TRUE(waitFor([&] { return state.freed.load(); }));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), ZVA_POSITION_NONE);
    // The library keeps working: another stream plays, and ZVA_Free ends it cleanly.
    const ZVA_HSTREAM next = open("/mp3");
    ASSERT_NE(next, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(next, 0), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(next), ZVA_ACTIVE_PLAYING);
    EXPECT_EQ(state.after, 0);
}

}  // namespace

namespace {

TEST_F(StreamTest, StopPausesOutputAndPlayResumes) {
    const ZVA_HSTREAM h = open("/mp3");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_STOPPED);
    EXPECT_EQ(ZVA_ChannelGetLevel(h), ZVA_LEVEL_NONE);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);
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
    int freq = 0;
    int volume = 0;
    int pan = 0;
    ASSERT_EQ(ZVA_ChannelGetAttributes(h, &freq, &volume, &pan), 1);
    EXPECT_EQ(std::tuple(freq, volume, pan), std::tuple(44100, 37, -20));
    EXPECT_EQ(ZVA_ChannelGetAttributes(0, nullptr, &volume, nullptr), 0);
}

}  // namespace
