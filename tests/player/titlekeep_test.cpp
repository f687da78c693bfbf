#include "recordingtest.h"

#include "engine/titlekeep.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

using zvengine::TitleKeep;
constexpr int kFrame = 417;  // an MP3 frame at 128 kbit/s and 44.1 kHz, without padding

const QByteArray kMp3Header("\xFF\xFB\x90\x64", 4);
const QByteArray kAdtsHeader("\xFF\xF1\x50\x80\x34\x3F\xFC", 7);  // an AAC frame of kFrame bytes

// A stream of frames cut `skip` bytes into the first, so that it begins inside a frame; the data
// bytes count on, never 0xFF, so a byte lost, moved or written twice shows.
QByteArray stream(int bytes, const QByteArray& header = kMp3Header, int skip = 100) {
    QByteArray out;
    for (int i = 0; out.size() < bytes + skip; ++i) {
        out += header;
        for (auto j = header.size(); j < kFrame; ++j) {
            out += static_cast<char>((i * 7 + j) % 250);
        }
    }
    return out.mid(skip, bytes);
}

// The offset of the first frame start at or after `at` in a stream cut as stream() cuts it.
int frameAfter(int at, int skip = 100) {
    return (at + skip + kFrame - 1) / kFrame * kFrame - skip;
}

class TitleKeepTest : public zvtest::RecordingTest {
protected:
    // Feeds `bytes` from `from` up to `to` in blocks of `block` bytes.
    void feed(const QByteArray& bytes, int from, int to, int block = 5000) {
        for (int at = from; at < to; at += block) {
            this->block(bytes.mid(at, std::min(block, to - at)));
        }
    }
};

// Recording switched on in the middle of a title begins where the title began (for the first
// title, where the receiver first heard the station): every byte from the title's first frame
// once and in order, the look-back copied a step at a time between live blocks, also when it
// is switched off and on again. Without a usable TEMP folder it records as it always did.
TEST_F(TitleKeepTest, ARecordingBeginsWhereItsTitleBegan) {
    const struct {
        const char* name;
        std::vector<std::pair<int, char>> events;  // at a stream offset: 'T' title, 'R' on, 'r' off
        int titleStart;                            // where the file's title began
        bool tempUsable = true;
        bool aac = false;  // an AAC stream, heard before its type is known
    } rows[] = {
        {"first title", {{3000, 'T'}, {40000, 'R'}}, 0},
        {"first title, AAC", {{3000, 'T'}, {40000, 'R'}}, 0, true, true},
        {"second title, long look-back", {{3000, 'T'}, {61000, 'T'}, {1400000, 'R'}}, 61000},
        {"on, off, on", {{0, 'T'}, {30000, 'R'}, {50000, 'r'}, {90000, 'R'}}, 0},
        {"no TEMP folder", {{3000, 'T'}, {61000, 'T'}, {200000, 'R'}}, 200000, false},
    };
    int title = 0;
    for (const auto& row : rows) {
        zvengine::endRecording();
        const QByteArray bytes = stream(1800000, row.aac ? kAdtsHeader : kMp3Header);
        if (!row.tempUsable) {
            qputenv("TEMP", (programPath("zvadok.ini") + "/temp").toUtf8());
        }
        writeFile(programPath("zvadok.ini"), "");
        zvengine::setRecordingEnabled(false);
        int at = 0;
        for (const auto& [offset, event] : row.events) {
            feed(bytes, at, offset);
            at = offset;
            if (event == 'T') {
                zvengine::setStreamType(row.aac ? ZVA_CTYPE_STREAM_AAC : ZVA_CTYPE_STREAM_MP3);
                meta("StreamTitle='" + QByteArray::number(++title) + "';");
            } else {
                zvengine::setRecordingEnabled(event == 'R');
            }
        }
        const QString file = recordFile();
        // The step after switching on copies at most one step of the look-back.
        feed(bytes, at, at + 5000);
        EXPECT_LE(QFileInfo(file).size(), TitleKeep::kCopyStep + 5000) << row.name;
        feed(bytes, at + 5000, bytes.size());
        const int first = frameAfter(row.titleStart);
        EXPECT_TRUE(readFile(file) == bytes.mid(first)) << row.name;
    }
    qputenv("TEMP", tempDir.path().toUtf8());
}

// A title longer than the keep's limit keeps its newest part from a frame start, and a keep that
// fails (here: a block too large to keep) hands its follower what it owed, so the recording has
// no gap.
TEST_F(TitleKeepTest, AFullOrFailingKeepLosesOnlyTheOldestBytes) {
    const std::uint64_t limit = 64 * 1024;
    const QByteArray bytes = stream(400000);
    for (const int lastBlock : {3000, 20000}) {
        TitleKeep keep(limit);
        zvengine::clsFileIo writer;
        bool synced = false;
        ASSERT_TRUE(writer.OpenFile(programPath("kept.mp3")));
        const auto keepBlocks = [&](int from, int to, int block) {
            for (int at = from; at < to; at += block) {
                const QByteArray part = bytes.mid(at, std::min(block, to - at));
                keep.keep(reinterpret_cast<const unsigned char*>(part.constData()),
                          static_cast<std::size_t>(part.size()), zvengine::FrameStart::Mp3);
            }
        };
        keepBlocks(0, 250000, 3000);
        EXPECT_LE(keep.kept(), limit);
        const int from = 250000 - static_cast<int>(keep.kept());
        EXPECT_EQ(from, frameAfter(from));
        ASSERT_TRUE(keep.follow(writer, synced));
        keepBlocks(250000, 400000, lastBlock);
        const int end = lastBlock == 3000 ? 400000 : 270000;
        EXPECT_TRUE(readFile(programPath("kept.mp3")) == bytes.mid(from, end - from)) << lastBlock;
        EXPECT_EQ(keep.following(), lastBlock == 3000);
    }
}

}  // namespace
