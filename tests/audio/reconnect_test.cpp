// Streams whose connection drops: the library connects again inside its buffer, the sound on
// SDL's disk driver goes on, and a server gone for good still ends the stream.
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
#include "scratchdir.h"
#include "stationd.h"
#include "streamlog.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using Clock = std::chrono::steady_clock;
using Log = zvtest::StreamLog;
using zvtest::waitFor;

constexpr int kRate = 44100;

class ReconnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZVA_SetConfig(ZVA_CONFIG_NET_PREBUF, 0);
        ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 30000);
    }
    void TearDown() override {
        ZVA_Free();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const char* name : {".raw", ".mp3", ".log"}) {
            std::filesystem::remove(scratch(name));
        }
    }

    ZVA_HSTREAM create(const std::string& path, Log& log) { return create(server_, path, log); }
    static ZVA_HSTREAM create(const zvtest::Stationd& server, const std::string& path, Log& log) {
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server.url(path).c_str(), 0, ZVA_STREAM_STATUS,
                                                  &Log::download, &log);
        EXPECT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        return h;
    }
    // The requests the server has answered with a station or a file.
    std::size_t requests() const {
        const std::string text = zvtest::readFile(scratch(".log"));
        std::size_t count = 0;
        for (auto at = text.find("GET "); at != std::string::npos; at = text.find("GET ", at + 1)) {
            ++count;
        }
        return count;
    }

    // A file of this test process's own: the sound on disk, the recording, the server's log.
    static std::string scratch(const char* ending) {
        return ::testing::TempDir() + "zvaudio-reconnect-" + std::to_string(::getpid()) + ending;
    }

    zvtest::Stationd server_{ZV_TEST_DATA_DIR, {"--log", scratch(".log")}};
};

// Twenty seconds of a station that drops its listener every three seconds sound as one stream:
// no gap, one status block, the titles of every connection, and a recording that decodes.
TEST_F(ReconnectTest, DropsEveryThreeSecondsAreNotHeard) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", scratch(".raw").c_str(), 1);
    ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
    Log log;
    log.keep = true;
    const ZVA_HSTREAM h = create("/mp3?drop_after=3", log);
    ASSERT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    const auto end = Clock::now() + std::chrono::seconds(20);
    bool alwaysConnected = true;
    while (Clock::now() < end) {
        alwaysConnected &= ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED) == 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ZVA_Free();

    EXPECT_TRUE(alwaysConnected);
    // Each connection brings a burst and three seconds of sound, which the buffer holds until
    // it is heard, so the next drop is met later than three seconds on.
    const std::size_t connections = requests();
    EXPECT_GE(connections, 3u);
    EXPECT_EQ(log.count(Log::Event::Status), 1u);
    EXPECT_EQ(log.count(Log::Event::End), 0u);
    // The first connection's title may come before the sync is set; every later one's counts.
    EXPECT_GE(log.count(Log::Event::Meta, "Első dal"), connections - 1);
    // A drop the buffer did not bridge is silent for at least the 0.2 s before the first try; a
    // decoder that a busy machine keeps waiting has the channel's 0.18 s and more decoded ahead.
    EXPECT_LT(zvtest::heardSound(zvtest::readFile(scratch(".raw"))).longestSilence,
              std::size_t(kRate / 5));

    const std::string recording = scratch(".mp3");
    std::ofstream(recording, std::ios::binary) << log.kept;
    EXPECT_GT(log.kept.size(), 19u * 16000);
    EXPECT_EQ(zvtest::runCommand("mpg123 -t '" + recording +
                                 "' 2>&1 | grep -i -E 'error|illegal|resync|skipped'"),
              "");
    EXPECT_EQ(zvtest::runCommand("ffmpeg -v error -i '" + recording + "' -f null - 2>&1"), "");
}

// A station that is gone ends the stream once the sound received has played: a connection left
// silent past the read timeout at once when reconnecting is off, a server that refuses every
// connection after its drop once the give-up time has passed. Either way the callbacks fall
// silent that long before the end, however late the server sent its last bytes. (The refusals
// come last: they last for the server's life.)
TEST_F(ReconnectTest, AStationGoneEndsTheStream) {
    // The longest time between two download callbacks: the library counts its silence from
    // after the first of them.
    struct TimedLog : Log {
        Clock::time_point last = Clock::time_point::max();  // the first call finds no silence
        Clock::duration longestSilence{};
        static void download(const void* buffer, uint32_t length, void* user) {
            auto* log = static_cast<TimedLog*>(user);
            const auto now = Clock::now();
            log->longestSilence = std::max(log->longestSilence, now - log->last);
            log->last = now;
            Log::download(buffer, length, user);
        }
    };
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    const struct {
        const char* path;
        int readTimeoutMs, reconnectMs, silentMs;
    } cases[] = {{"/mp3?burst=4096&stall_at=0.2&stall_for=20", 400, 0, 400},
                 {"/mp3?drop_after=0.5&burst=4096&refuse_after_drop=1000", 15000, 1500, 1500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ZVA_SetConfig(ZVA_CONFIG_NET_READTIMEOUT, c.readTimeoutMs);
        ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, c.reconnectMs);
        TimedLog log;
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server_.url(c.path).c_str(), 0, ZVA_STREAM_STATUS,
                                                  &TimedLog::download, &log);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        ASSERT_TRUE(
            waitFor([&] { return ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED) == 0; }));
        EXPECT_TRUE(waitFor([&] { return log.count(Log::Event::End) == 1; }));
        EXPECT_GE(log.longestSilence, std::chrono::milliseconds(c.silentMs));
        EXPECT_EQ(log.snapshot().back().kind, Log::Event::End);
        EXPECT_TRUE(waitFor([&] { return ZVA_ChannelIsActive(h) == ZVA_ACTIVE_STOPPED; }));
        EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_DOWNLOAD), std::int64_t(log.bytes));
        EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CURRENT),
                  ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_DOWNLOAD));
        ZVA_StreamFree(h);
    }
}

// An answer that is not a station's and ends whole (with a length, without one, or chunked) is a
// file: the stream ends with it and it is not fetched again. A station's answer, or one cut off,
// is connected again.
TEST_F(ReconnectTest, AFileEndsWithItsAnswerAndABroadcastIsFetchedAgain) {
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    ASSERT_NE(ZVA_PluginLoad("libzvaudio_aac.so", 0), 0u);
    const std::pair<const char*, bool> rows[] = {
        {"/audio/tone44.mp3", false},
        {"/audio/tone44.mp3?no_length=1", false},
        {"/audio/tone44.aac?no_length=1", false},
        {"/audio/tone44.aac?chunked=1", false},
        {"/audio/tone44.mp3?chunked=1&close_after=30000", true},
        {"/mp3?status_line=HTTP/1.0%20200%20OK&drop_after=0.5&burst=4096", true},
    };
    for (const auto& [path, fetchedAgain] : rows) {
        SCOPED_TRACE(path);
        const std::size_t before = requests();
        Log log;
        const ZVA_HSTREAM h = create(path, log);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        if (fetchedAgain) {
            EXPECT_TRUE(waitFor([&] { return requests() >= before + 2; }));
            EXPECT_EQ(log.count(Log::Event::End), 0u);
        } else {
            EXPECT_TRUE(waitFor([&] { return log.count(Log::Event::End) == 1; }));
            EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), 0);
            EXPECT_EQ(requests(), before + 1);
        }
        ZVA_StreamFree(h);
    }
    ZVA_PluginFree(0);
}

// Freeing a stream while it waits between tries ends it at once and no callback follows: in
// the back-off's first, second and third wait (0.2, 0.5 and 1 s after the drop and each try).
TEST_F(ReconnectTest, FreeDuringTheBackOff) {
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    for (const int afterDropMs : {0, 300, 900}) {
        // A server of its own each time: after the drop it refuses everyone, this test too.
        const zvtest::Stationd gone(ZV_TEST_DATA_DIR);
        Log log;
        const ZVA_HSTREAM h =
            create(gone, "/mp3?drop_after=0.3&burst=4096&refuse_after_drop=1000", log);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        const std::string probe =
            "curl -s -o /dev/null -w %{http_code} " + gone.url("/audio/tone44.mp3");
        ASSERT_TRUE(waitFor([&] { return zvtest::runCommand(probe) == "000"; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(afterDropMs));
        EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), 1) << afterDropMs;
        EXPECT_EQ(ZVA_StreamFree(h), 1);
        EXPECT_EQ(log.count(Log::Event::End), 0u);
    }
}

}  // namespace
