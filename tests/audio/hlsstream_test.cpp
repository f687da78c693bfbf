// HTTP Live Streaming stations through the library, against stationd's live playlists in real
// time: the caller gets the elementary stream with each title just before its first frame, the
// sound is whole across segments and discontinuities, a lost segment is bridged, a gone playlist
// or a stale one ends the stream after the give-up time, and a master playlist plays its richest
// variant.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

std::string scratch(const char* ending) {
    return ::testing::TempDir() + "zvaudio-hls-" + std::to_string(::getpid()) + ending;
}

// The offsets of the ADTS frames that make up `bytes`, and their end; fails the test on bytes
// that are not whole ADTS frames (a tag or a transport packet left in).
std::vector<std::size_t> adtsFrames(const std::string& bytes) {
    std::vector<std::size_t> offsets;
    std::size_t at = 0;
    while (at + 7 <= bytes.size()) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
        const std::size_t length = ((b[3] & 3u) << 11) | (b[4] << 3) | (b[5] >> 5);
        if (b[0] != 0xFF || (b[1] & 0xF6) != 0xF0 || length < 7) {
            ADD_FAILURE() << "no ADTS frame at " << at;
            break;
        }
        offsets.push_back(at);
        at += length;
    }
    EXPECT_EQ(at, bytes.size());
    offsets.push_back(at);
    return offsets;
}

class HlsStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 30000);
        ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
        ASSERT_NE(ZVA_PluginLoad("libzvaudio_aac.so", 0), 0u) << ZVA_ErrorGetCode();
    }
    void TearDown() override {
        ZVA_Free();
        ZVA_PluginFree(0);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const char* name : {".raw", ".log", ".mp3"}) {
            std::filesystem::remove(scratch(name));
        }
    }
    ZVA_HSTREAM create(const std::string& path, Log& log) {
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server_.url(path).c_str(), 0, ZVA_STREAM_STATUS,
                                                  &Log::download, &log);
        EXPECT_NE(h, 0u) << path << " error " << ZVA_ErrorGetCode();
        if (h != 0) {
            EXPECT_NE(ZVA_ChannelSetSync(h, ZVA_SYNC_META, 0, &Log::sync, &log), 0u);
        }
        return h;
    }
    // How often the server was asked for `target` (a path with its query).
    std::size_t requests(const std::string& target) const {
        const std::string text = zvtest::readFile(scratch(".log"));
        std::size_t count = 0;
        for (auto at = text.find("GET " + target + " "); at != std::string::npos;
             at = text.find("GET " + target + " ", at + 1)) {
            ++count;
        }
        return count;
    }

    zvtest::Stationd server_{ZV_TEST_DATA_DIR, {"--log", scratch(".log")}};
};

// Titles change every two seconds of the station's timeline, at a segment's start (packed audio)
// or at their frame inside one (MPEG-TS): the caller gets only ADTS frames, each title once,
// alternating, while it has received exactly the frames before the title's first one, 86 or 87
// frames of 1024 samples at 44.1 kHz after the last. The TS station, heard for twenty segments
// on SDL's disk driver, loops its three-second file with a discontinuity at every pass: the
// sound has no gap, the stream stays connected and its header block comes once.
TEST_F(HlsStreamTest, TitlesComeJustBeforeTheirFramesAndTheSoundIsWhole) {
    const struct {
        const char* path;
        int seconds;
    } rows[] = {
        {"/hls/ts/live.m3u8?title_interval=2", 21},
        {"/hls/packed/live.m3u8?title_interval=2&discontinuity=0", 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        ZVA_Free();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", scratch(".raw").c_str(), 1);
        ASSERT_EQ(ZVA_Init(-1, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
        Log log;
        log.keep = true;
        const ZVA_HSTREAM h = create(row.path, log);
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        bool alwaysConnected = true;
        for (const auto end = Clock::now() + std::chrono::seconds(row.seconds); Clock::now() < end;
             std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
            alwaysConnected &= ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED) == 1;
        }
        ZVA_Free();

        EXPECT_TRUE(alwaysConnected);
        EXPECT_EQ(log.count(Log::Event::Status), 1u);
        EXPECT_EQ(log.count(Log::Event::End), 0u);
        const std::vector<std::size_t> frames = adtsFrames(log.kept);
        std::vector<std::pair<std::size_t, std::string>> titles;  // frame index, text
        for (const auto& event : log.snapshot()) {
            if (event.kind != Log::Event::Meta) {
                continue;
            }
            const auto frame = std::find(frames.begin(), frames.end(), event.bytesBefore);
            ASSERT_NE(frame, frames.end()) << event.text << " inside a frame";
            titles.emplace_back(frame - frames.begin(), event.text);
        }
        ASSERT_GE(titles.size(), std::size_t(row.seconds / 2 - 3));
        for (std::size_t i = 1; i < titles.size(); ++i) {
            EXPECT_NE(titles[i].second, titles[i - 1].second);
            EXPECT_TRUE(titles[i].second.starts_with("StreamTitle='HLS Előadó - "))
                << titles[i].second;
            const std::size_t gap = titles[i].first - titles[i - 1].first;
            EXPECT_TRUE(gap == 86 || gap == 87) << gap << " frames before " << titles[i].second;
        }
        // A discontinuity costs the decoder's start, a frame at most; a segment come late costs
        // more than the channel's 0.18 s.
        EXPECT_LT(zvtest::heardSound(zvtest::readFile(scratch(".raw"))).longestSilence, 1024u);
    }
}

// A segment the server lists but answers 404 is asked for once more after a back-off and then
// skipped: the stream plays on with the segments after it, connected, without an end.
TEST_F(HlsStreamTest, ALostSegmentIsBridged) {
    Log log;
    const ZVA_HSTREAM h = create("/hls/packed/live.m3u8?missing_every=6", log);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    const std::string query = ".aac?missing_every=6";
    EXPECT_TRUE(waitFor([&] { return requests("/hls/packed/8" + query) > 0; }, 30));
    EXPECT_EQ(requests("/hls/packed/6" + query), 2u);
    EXPECT_EQ(requests("/hls/packed/7" + query), 1u);
    EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), 1);
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);
    EXPECT_EQ(log.count(Log::Event::End), 0u);
}

// A playlist gone for good (404), or one that has stopped adding segments, is tried again with
// the back-off until the give-up time has passed since the last audio came, and only then does
// the stream end: disconnected, with the download-ended callback.
TEST_F(HlsStreamTest, AGoneOrStalePlaylistEndsTheStreamAfterTheGiveUp) {
    constexpr auto kGiveUp = std::chrono::seconds(3);
    ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 3000);
    struct TimedLog : Log {
        std::atomic<Clock::rep> lastAudio{0};
        static void download(const void* buffer, uint32_t length, void* user) {
            auto* log = static_cast<TimedLog*>(user);
            if (buffer != nullptr && length > 0) {
                log->lastAudio = Clock::now().time_since_epoch().count();
            }
            Log::download(buffer, length, user);
        }
    };
    for (const char* path :
         {"/hls/ts/live.m3u8?gone_after=4", "/hls/mp3/live.m3u8?stale_after=4"}) {
        SCOPED_TRACE(path);
        TimedLog log;
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server_.url(path).c_str(), 0, ZVA_STREAM_STATUS,
                                                  &TimedLog::download, &log);
        ASSERT_NE(h, 0u) << ZVA_ErrorGetCode();
        ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
        ASSERT_TRUE(waitFor([&] { return log.count(Log::Event::End) == 1; }, 60));
        const Clock::time_point lastAudio{Clock::duration(log.lastAudio.load())};
        EXPECT_GE(Clock::now() - lastAudio, kGiveUp);
        EXPECT_EQ(ZVA_StreamGetFilePosition(h, ZVA_FILEPOS_CONNECTED), 0);
        // The playlist is asked for again during the back-off.
        EXPECT_GE(requests(path), 6u);
        ZVA_StreamFree(h);
    }
}

// A master playlist plays its richest variant that has no fragmented MP4, with that variant's
// average bandwidth as the header block's bit rate (the 22.05 kHz variant decodes at twice its
// rate, as AAC that may carry SBR does); a station with fMP4 alone, and playlists
// that would lead the player round in circles, are refused as a format not supported. A .pls
// entry may be a live playlist.
TEST_F(HlsStreamTest, AMasterPlaysItsRichestReadableVariant) {
    ZVA_SetConfig(ZVA_CONFIG_NET_PLAYLIST, 1);
    const struct {
        const char* path;
        int error;
        int rate;
        const char* bitrate;
    } rows[] = {
        {"/hls/master/live.m3u8", ZVA_OK, 48000, "icy-br:84\n"},
        {"/hls/master-fmp4/live.m3u8", ZVA_OK, 44100, "icy-br:56\n"},
        {"/playlists/hls.pls", ZVA_OK, 44100, ""},
        {"/hls/fmp4/live.m3u8", ZVA_ERROR_FILEFORM, 0, ""},
        {"/playlists/hls-self.m3u8", ZVA_ERROR_FILEFORM, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        Log log;
        const ZVA_HSTREAM h = ZVA_StreamCreateURL(server_.url(row.path).c_str(), 0,
                                                  ZVA_STREAM_STATUS, &Log::download, &log);
        ASSERT_EQ(h != 0 ? ZVA_OK : ZVA_ErrorGetCode(), row.error);
        if (h == 0) {
            continue;
        }
        ZVA_ChannelInfo info{};
        ASSERT_EQ(ZVA_ChannelGetInfo(h, &info), 1);
        EXPECT_EQ(info.freq, std::uint32_t(row.rate));
        EXPECT_EQ(log.count(Log::Event::Status, row.bitrate), 1u);
        ZVA_StreamFree(h);
    }
}

}  // namespace
