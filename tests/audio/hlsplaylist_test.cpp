// HTTP Live Streaming playlists as the station's text gives them: which text is one, the
// variants of a master playlist, the numbered segments of a media playlist, and the limits.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "net/hlsplaylist.h"

namespace {

const std::string kBase = "http://radio.example/live/index.m3u8?token=1";

// A playlist in one line: its target duration, end and refusal, then each variant as
// "bandwidth/average[/video] url" or each segment as "sequence url duration[ D]".
std::string describe(const zva::HlsPlaylist& playlist) {
    std::string out = "T" + std::to_string(playlist.targetDuration) +
                      (playlist.ended ? " end" : "") + (playlist.unsupported ? " unsupported" : "");
    for (const auto& v : playlist.variants) {
        out += " | " + std::to_string(v.bandwidth) + "/" + std::to_string(v.averageBandwidth) +
               (v.audioOnly ? " " : "/video ") + v.url;
    }
    for (const auto& s : playlist.segments) {
        out += " | " + std::to_string(s.sequence) + " " + s.url + " " + std::to_string(s.duration) +
               (s.discontinuity ? " D" : "");
    }
    return out;
}

std::string parse(const std::string& text, std::size_t cut) {
    zva::HlsPlaylistParser parser(kBase);
    zvtest::feedSplit(text, cut, [&](auto* p, std::size_t n) { ASSERT_TRUE(parser.feed(p, n)); });
    const auto playlist = parser.finish();
    return playlist ? describe(*playlist) : "none";
}

TEST(HlsPlaylist, ReadsMastersAndMediaPlaylistsWhereverSplit) {
    const struct {
        std::string text;
        bool hls;
        std::string playlist;
    } cases[] = {
        {"\xEF\xBB\xBF#EXTM3U\r\n#EXT-X-VERSION:3\r\n#EXT-X-TARGETDURATION:6\r\n"
         "#EXT-X-MEDIA-SEQUENCE:41\r\n#EXTINF:5.5,Song\r\nseg41.ts\r\n"
         "#EXTINF:6,\r\n/other/seg42.aac\r\n#EXTINF:6,\r\nfile:///etc/passwd\r\n"
         "#EXT-X-DISCONTINUITY\r\n#EXTINF:6,\r\nhttps://cdn.example/43.ts?x=\"1\"\r\n"
         "#EXT-X-KEY:METHOD=NONE\r\n#EXT-X-ENDLIST\r\n",
         true,
         "T6.000000 end | 41 http://radio.example/live/seg41.ts 5.500000 | "
         "42 http://radio.example/other/seg42.aac 6.000000 | "
         "44 https://cdn.example/43.ts?x=\"1\" 6.000000 D"},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=64000,CODECS=\"mp4a.40.2,avc1.4d401f\"\n"
         "video/low.m3u8\n#EXT-X-STREAM-INF:AVERAGE-BANDWIDTH=96000,BANDWIDTH=128000,"
         "CODECS=\"mp4a.40.2\"\n../audio/high.m3u8\n#EXT-X-STREAM-INF:BANDWIDTH=800000,"
         "RESOLUTION=640x360\nhttp://tv.example/v.m3u8\n#EXT-X-STREAM-INF:CODECS=\"mp4a.40.5\"\n"
         "ftp://no.example/x.m3u8\n",
         true,
         "T0.000000 | 64000/-1/video http://radio.example/live/video/low.m3u8 | "
         "128000/96000 http://radio.example/audio/high.m3u8 | "
         "800000/-1/video http://tv.example/v.m3u8"},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MAP:URI=\"init.mp4\"\n#EXTINF:2,\na.m4s\n", true,
         "T2.000000 unsupported | 0 http://radio.example/live/a.m4s 2.000000"},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\"\n", true,
         "T2.000000 unsupported"},
        // An ordinary M3U, and texts that only look like HLS, are not HLS playlists.
        {"#EXTM3U\n#EXTINF:-1,Radio\nhttp://a.example/live\n", false, "none"},
        {"#EXTINF:10,\n#EXT-X-TARGETDURATION:10\nhttp://a.example/1.ts\n", false, "none"},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nx.m3u8\n#EXT-X-TARGETDURATION:1\n", true, "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zva::HlsPlaylistParser::isHls(c.text), c.hls) << c.text;
        for (std::size_t cut = 0; cut <= c.text.size() + 1; ++cut) {
            ASSERT_EQ(parse(c.text, cut), c.playlist) << c.text << "\ncut at " << cut;
        }
    }
}

TEST(HlsPlaylist, AHugePlaylistIsRefusedAndALongOneKeepsItsNewestSegments) {
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
    const std::size_t count = zva::HlsPlaylistParser::kMaxSegments + 10;
    for (std::size_t i = 0; i < count; ++i) {
        text += "#EXTINF:1,\n" + std::to_string(i) + ".ts\n";
    }
    zva::HlsPlaylistParser parser(kBase);
    ASSERT_TRUE(parser.feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    const auto playlist = parser.finish();
    ASSERT_TRUE(playlist);
    ASSERT_EQ(playlist->segments.size(), zva::HlsPlaylistParser::kMaxSegments);
    EXPECT_EQ(playlist->segments.front().sequence, 10);
    EXPECT_EQ(playlist->segments.back().url,
              "http://radio.example/live/" + std::to_string(count - 1) + ".ts");

    const std::string filler(zva::HlsPlaylistParser::kMaxSize, '#');
    zva::HlsPlaylistParser huge(kBase);
    EXPECT_TRUE(huge.feed(reinterpret_cast<const std::uint8_t*>(filler.data()), filler.size()));
    EXPECT_FALSE(huge.feed(reinterpret_cast<const std::uint8_t*>("\n"), 1));
}

}  // namespace
