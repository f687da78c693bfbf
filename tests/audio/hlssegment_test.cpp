// HLS segment content: the titles of ID3v2 tags, the transport stream demuxer and the segment
// reader that tells transport streams from packed audio.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fixtures.h"
#include "format/adtsheader.h"
#include "format/hlssegment.h"
#include "format/id3tag.h"
#include "format/tsdemuxer.h"
#include "hlsbuilders.h"

namespace {

using zvtest::Bytes;
using zvtest::bytesOf;
using zvtest::id3Frame;
using zvtest::id3Tag;
using zvtest::operator+;
using zvtest::operator+=;

// The first `count` frames of tone44.aac.
std::vector<Bytes> adtsFrames(std::size_t count) {
    const Bytes file = zvtest::audioFixture("tone44.aac");
    std::vector<Bytes> frames;
    for (auto at = file.begin(); frames.size() < count && file.end() - at >= 7;) {
        const auto length = static_cast<long>(zva::AdtsHeader::parse(&*at)->frameLength());
        frames.emplace_back(at, at + length);
        at += length;
    }
    return frames;
}

Bytes joined(const std::vector<Bytes>& frames, std::size_t from, std::size_t to) {
    Bytes out;
    for (std::size_t i = from; i < to; ++i) {
        out += frames[i];
    }
    return out;
}

// What a sink was given: the audio, and each title with the number of audio bytes before it.
struct Collector : zva::TsDemuxer::Sink {
    Bytes sound;
    std::vector<std::pair<std::string, std::size_t>> titles;
    void audio(const std::uint8_t* data, std::size_t size) override {
        sound.insert(sound.end(), data, data + size);
    }
    void title(const std::string& text) override { titles.emplace_back(text, sound.size()); }
};

Bytes text(int version, const char* id, std::uint8_t encoding, const Bytes& bytes,
           std::uint8_t flags = 0) {
    return id3Frame(version, id, zvtest::bytes({encoding}, bytes), flags);
}

const Bytes kLeSong = {0xFF, 0xFE, 'S', 0, 'o', 0, 'n', 0, 'g', 0, 0, 0};

TEST(Id3Tag, TitleOfEachVersionAndEncoding) {
    const Bytes ann = text(3, "TPE1", 0, bytesOf("Ann"));
    const Bytes song = text(3, "TIT2", 0, bytesOf("Song"));
    const struct {
        const char* name;
        Bytes tag;
        std::size_t cut;  // bytes left off the tag's end
        std::string title;
    } rows[] = {
        {"v2.2", id3Tag(2, text(2, "TP1", 0, bytesOf("Ann")) + text(2, "TT2", 0, bytesOf("Song"))),
         0, "Ann - Song"},
        {"UTF-16, little-endian mark", id3Tag(3, text(3, "TIT2", 1, kLeSong)), 0, "Song"},
        {"UTF-16, big-endian mark, surrogate pair",
         id3Tag(3, text(3, "TIT2", 1, {0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00, 0, 'A'})), 0,
         "\xF0\x9F\x98\x80"
         "A"},
        {"UTF-16BE, lone surrogate", id3Tag(4, text(4, "TIT2", 2, {0, 'S', 0xD8, 0, 0, 'x'})), 0,
         "S\xEF\xBF\xBDx"},
        {"UTF-8, first of several values, trimmed",
         id3Tag(4, text(4, "TPE1", 3, bytesOf({"  Ann \0", 7})) +
                       text(4, "TIT2", 3, bytesOf({"Eins\0Zwei", 9}))),
         0, "Ann - Eins"},
        {"Latin-1 accents", id3Tag(3, text(3, "TIT2", 0, {'C', 'a', 'f', 0xE9})), 0, "Caf\xC3\xA9"},
        {"v2.3 unsynchronised",
         id3Tag(3, zvtest::unsynchronise(ann + text(3, "TIT2", 1, kLeSong)), 0x80), 0,
         "Ann - Song"},
        {"v2.4 frame unsynchronised",
         id3Tag(4, id3Frame(4, "TIT2", zvtest::unsynchronise(zvtest::bytes({1}, kLeSong)), 0x02)),
         0, "Song"},
        {"v2.3 extended header", id3Tag(3, Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0} + ann, 0x40), 0,
         "Ann"},
        {"v2.4 extended header, data length",
         id3Tag(4,
                Bytes{0, 0, 0, 6, 1, 0} +
                    id3Frame(4, "TIT2", zvtest::bytes({0, 0, 0, 5, 0}, bytesOf("Song")), 0x01),
                0x40),
         0, "Song"},
        {"compressed frame skipped", id3Tag(3, ann + text(3, "TIT2", 0, bytesOf("xxxx"), 0x80)), 0,
         "Ann"},
        {"no title frames", id3Tag(3, text(3, "TALB", 0, bytesOf("Album"))), 0, ""},
        {"padding", id3Tag(3, ann + song + Bytes(30, 0)), 0, "Ann - Song"},
        {"truncated", id3Tag(3, ann + song), 2, "Ann"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(zva::id3Title(row.tag.data(), row.tag.size() - row.cut), row.title);
    }
}

TEST(Id3Tag, SizeOfHeader) {
    const struct {
        Bytes header;
        std::size_t size;
    } rows[] = {
        {id3Tag(3, Bytes(100, 0)), 110},
        {id3Tag(4, Bytes(100, 0), 0x10), 120},  // a footer
        {{'I', 'D', '3', 3, 0, 0, 0, 0, 1}, 0},
        {{'I', 'D', '3', 5, 0, 0, 0, 0, 0, 1}, 0},
        {{'I', 'D', '3', 3, 0xFF, 0, 0, 0, 0, 1}, 0},
        {{'I', 'D', '3', 3, 0, 0, 0, 0, 0x80, 1}, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zva::id3TagSize(row.header.data(), row.header.size()), row.size);
    }
}

constexpr int kAudioPid = 0x101;
constexpr int kId3Pid = 0x102;

// Program tables, a timed ID3 PES titled "Song" (ended by an empty one), then `frames` in two
// audio PES packets, the second from 100 bytes into the middle frame on.
Bytes transportStream(const std::vector<Bytes>& frames, std::uint64_t pts,
                      std::optional<std::uint64_t> titlePts, std::size_t padding = 0) {
    int audioCounter = 0;
    int id3Counter = 0;
    const Bytes tag = id3Tag(4, text(4, "TIT2", 3, bytesOf("Song")) + Bytes(padding, 0));
    Bytes ts =
        zvtest::programTables(0x1000, {{0x0F, kAudioPid}, {0x15, kId3Pid}}) +
        zvtest::tsPackets(kId3Pid, zvtest::pesPacket(0xBD, titlePts, tag), id3Counter) +
        zvtest::tsPackets(kId3Pid, zvtest::pesPacket(0xBD, titlePts, id3Tag(4, {})), id3Counter);
    const std::size_t half = frames.size() / 2;
    const Bytes audio = joined(frames, 0, frames.size());
    const auto cut = audio.begin() + static_cast<long>(joined(frames, 0, half).size() + 100);
    // The second PES's time is that of the first frame that begins in it.
    const std::uint64_t second = (pts + (half + 1) * 1024) & ((std::uint64_t{1} << 33) - 1);
    ts += zvtest::tsPackets(kAudioPid, zvtest::pesPacket(0xC0, pts, Bytes(audio.begin(), cut)),
                            audioCounter);
    ts += zvtest::tsPackets(kAudioPid, zvtest::pesPacket(0xC0, second, Bytes(cut, audio.end())),
                            audioCounter);
    return ts;
}

TEST(TsDemuxer, WholeFramesAndTitleAtItsTime) {
    const auto frames = adtsFrames(40);
    ASSERT_EQ(frames.size(), 40u);
    const std::uint64_t wrap = std::uint64_t{1} << 33;
    const struct {
        const char* name;
        std::uint64_t pts;
        std::optional<std::uint64_t> titlePts;
        std::size_t padding;
        std::size_t piece;
        std::optional<std::size_t> titleFrame;
    } rows[] = {
        {"title timed mid-PES", 90000, 90000 + 7 * 1024, 0, 1 << 20, 7},
        {"fed byte by byte", 90000, 90000 + 7 * 1024, 0, 1, 7},
        {"time stamps wrap", wrap - 3 * 1024, 4 * 1024, 0, 100, 7},
        {"title without time", 90000, std::nullopt, 0, 1000, 0},
        {"late title", 90000, 1000, 0, 1000, 0},
        {"title in the second PES", 90000, 90000 + 21 * 1024, 0, 1000, 21},
        {"oversized tag dropped", 90000, 90000, 1 << 20, 65536, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes ts = transportStream(frames, row.pts, row.titlePts, row.padding);
        zva::TsDemuxer demuxer;
        Collector out;
        zvtest::feedPieces(ts, row.piece, [&](const std::uint8_t* data, std::size_t size) {
            ASSERT_TRUE(demuxer.feed(data, size, out));
        });
        demuxer.flush(out);
        EXPECT_EQ(out.sound, joined(frames, 0, frames.size()));
        std::vector<std::pair<std::string, std::size_t>> titles;
        if (row.titleFrame) {
            titles.emplace_back("Song", joined(frames, 0, *row.titleFrame).size());
        }
        EXPECT_EQ(out.titles, titles);
    }
}

TEST(TsDemuxer, FailsOnWhatIsNoTransportStream) {
    const Bytes good = transportStream(adtsFrames(10), 0, 0);
    Bytes lostSync = good;
    lostSync[188 * 3] = 0x46;
    Bytes noProgram;
    for (int i = 0; i < 2000; ++i) {
        int counter = 0;
        noProgram += zvtest::tsPackets(0x1FFF, Bytes(184, 0xFF), counter);
    }
    for (const Bytes& bad : {lostSync, noProgram}) {
        zva::TsDemuxer demuxer;
        Collector out;
        EXPECT_FALSE(demuxer.feed(bad.data(), bad.size(), out));
        EXPECT_FALSE(demuxer.feed(good.data(), good.size(), out));
        demuxer.reset();
        out.sound.clear();
        EXPECT_TRUE(demuxer.feed(good.data(), good.size(), out));
        EXPECT_FALSE(out.sound.empty());
    }
}

TEST(SegmentReader, TransportStreamOrPackedAudio) {
    const auto frames = adtsFrames(20);
    const Bytes audio = joined(frames, 0, frames.size());
    const Bytes titled = id3Tag(3, text(3, "TIT2", 0, bytesOf("Song")));
    const Bytes ann = id3Tag(4, text(4, "TPE1", 0, bytesOf("Ann")));
    const Bytes html = bytesOf("<html><body>Not found</body></html>");
    const struct {
        const char* name;
        std::vector<Bytes> segments;
        std::size_t piece;
        bool ok;  // the last segment's
        std::vector<std::pair<std::string, std::size_t>> titles;
    } rows[] = {
        {"tags stripped", {titled + ann + audio}, 1 << 20, true, {{"Song", 0}, {"Ann", 0}}},
        {"tags fed byte by byte", {titled + ann + audio}, 1, true, {{"Song", 0}, {"Ann", 0}}},
        {"oversized tag skipped",
         {id3Tag(3, text(3, "TIT2", 0, bytesOf("Big")) + Bytes(1 << 20, 0)) + audio},
         4096,
         true,
         {}},
        {"transport stream", {transportStream(frames, 0, 0)}, 7, true, {{"Song", 0}}},
        {"neither", {html}, 5, false, {}},
        // A lone sync byte does not make a stream: the demuxer stays fit for the next segment.
        {"stray sync byte",
         {Bytes{0x47} + html + Bytes(200, 0x20), transportStream(frames, 0, 0)},
         7,
         true,
         {{"Song", 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        zva::SegmentReader reader;
        Collector out;
        bool ok = true;
        for (const Bytes& segment : row.segments) {
            ok = true;
            reader.beginSegment();
            zvtest::feedPieces(segment, row.piece, [&](const std::uint8_t* data, std::size_t n) {
                ok = reader.feed(data, n, out) && ok;
            });
            reader.endSegment(out);
        }
        EXPECT_EQ(ok, row.ok);
        EXPECT_EQ(out.sound, row.ok ? audio : Bytes{});
        EXPECT_EQ(out.titles, row.titles);
    }
}

}  // namespace
