#include "recordingtest.h"

#include "engine/audiovalues.h"
#include "platform/programpaths.h"
#include "zvaudio.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

using Label = zvengine::ReceiverView::Label;
class StreamRecorder : public zvtest::RecordingTest {};

TEST_F(StreamRecorder, StatusTextShowsInBps) {
    zvengine::SUBDOWNLOADPROC("ICY 200 OK\0icy-br:128\0", 0, user());
    EXPECT_EQ(view.calls(), (decltype(view.calls()){{Label::Bps, "ICY 200 OK"}}));
}

// A file per new title, opening at its first frame start; nothing once recording is switched off.
TEST_F(StreamRecorder, OneFilePerTitleFromItsFrameStart) {
    meta("StreamTitle='A';");
    block("no frame start");
    block("ab\xFF\xFB\x90xy");
    block("next");
    meta("StreamTitle='B';");
    block("c\xFF\xFB");
    meta("StreamTitle='B';");
    block("more");
    zvengine::setRecordingEnabled(false);
    block("lost");
    EXPECT_EQ(readFile(programPath("A_Teszt Rádió.mp3")), "\xFF\xFB\x90xynext");
    EXPECT_EQ(readFile(programPath("B_Teszt Rádió.mp3")), "\xFF\xFBmore");
}

// A recording begins at a whole frame header of its own format, without the bytes before it:
// two bytes that only look like a header (a bad rate, a length that leads nowhere) do not count.
TEST_F(StreamRecorder, RecordingStartsAtAWholeFrameHeader) {
    const QByteArray frame(
        "\xFF\xF9\x50\x80\x01\x20\x00"
        "ab\xFF\xF9",
        11);                                                           // 9-byte frame
    const QByteArray fake("\xFF\xF1\x50\x80\x00\xA0\x00", 7);          // length 5
    const QByteArray mp3Fake = "\xFF\xFB\x10" + QByteArray(110, 'x');  // 104-byte frame
    const struct {
        std::uint32_t type;
        const char* file;
        QByteArray data;
        QByteArray recorded;
    } rows[] = {
        {ZVA_CTYPE_STREAM_MP3, "A_Teszt Rádió.mp3", "xy\xFF\xFB\xF0\xFF\xF1\x50\xFF\xFB\x90z",
         "\xFF\xFB\x90z"},
        {ZVA_CTYPE_STREAM_MP3, "B_Teszt Rádió.mp3", mp3Fake + "\xFF\xFB\x94", "\xFF\xFB\x94"},
        {ZVA_CTYPE_STREAM_AAC, "C_Teszt Rádió.aac", "xy\xFF\xFB\xFF\xF1\x50", "\xFF\xF1\x50"},
        {ZVA_CTYPE_STREAM_AAC, "D_Teszt Rádió.aac", fake + frame, frame},
    };
    for (const auto& row : rows) {
        zvengine::setStreamType(row.type);
        meta("StreamTitle='" + QByteArray(row.file, 1) + "';");
        block(row.data);
        EXPECT_EQ(readFile(programPath(row.file)), row.recorded) << row.file;
    }
}

TEST_F(StreamRecorder, RecordingsStayInTheProgramFolder) {
    const QString folder = programPath("prog");
    // A folder that an unchecked "/../" in a name would pass through.
    ASSERT_TRUE(QDir().mkpath(folder + "/A_"));
    zvpaths::setProgramFolder(folder);
    const struct {
        QString caption;
        QByteArray title;
        QString file;  // what appears in the program folder; empty = nothing
    } rows[] = {
        {"../kint", "A", ""},
        {"/tmp/kint", "A", ""},
        {QString::fromUtf8("a\0b", 3), "A", ""},
        {"/../../kint", "A", ""},
        {"a\x01"
         "b",
         "A", ""},
        {"C:", "A", ""},
        {"Mi?", "A", ""},
        {"Ado", "../../kint", "....kint_Ado.mp3"},
        {"Ado", "/tmp/kint", "tmpkint_Ado.mp3"},
        {"Ado", "x\x01y", ""},
        {"Ado", "Mi: az?", "Mi az_Ado.mp3"},
    };
    for (const auto& row : rows) {
        stations.stations[0].name = row.caption;
        meta("StreamTitle='" + row.title + "';");
        block("\xFF\xFB\x90");
        const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(files, row.file.isEmpty() ? QStringList() : QStringList{row.file})
            << row.title.toStdString();
        EXPECT_EQ(programFiles(), QStringList());
        for (const QString& file : files) {
            QFile::remove(folder + '/' + file);
        }
    }
}

TEST_F(StreamRecorder, NeverWritesThroughALink) {
    const QString outside = tempPath("outside");
    writeFile(outside, "keep");
    ASSERT_TRUE(QFile::link(outside, programPath("A_Teszt Rádió.mp3")));
    meta("StreamTitle='A';");
    block("\xFF\xFB\x90");
    EXPECT_EQ(readFile(outside), "keep");
}

// The real library and a real station: files per title, each the stream from a frame start on.
TEST_F(StreamRecorder, RecordsALiveStreamPerTitle) {
    zvtest::Stationd server(ZV_TEST_DATA_DIR);
    ASSERT_TRUE(openAudio());
    const std::string url = server.url("/mp3?title_interval=0.5");
    const ZVA_HSTREAM h =
        ZVA_StreamCreateURL(url.c_str(), 0, ZVA_STREAM_STATUS, &zvengine::SUBDOWNLOADPROC, user());
    ASSERT_NE(h, 0u);
    zvengine::DoMeta(ZVA_ChannelGetTags(h, ZVA_TAG_META), generation);
    EXPECT_NE(zvengine::SetSync(h, ZVA_SYNC_META, 0, &zvengine::MetaSync, user()), 0u);
    ZVA_ChannelPlay(h, 0);
    const QStringList expected = {"Első Előadó - Első dal_Teszt Rádió.mp3",
                                  "Második Előadó - Második dal_Teszt Rádió.mp3"};
    const auto recorded = [&] {
        for (const QString& name : expected) {
            if (QFileInfo(programPath(name)).size() <= 3) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor(recorded, 10000));
    // Overtaken: the files stay as they are now.
    zvengine::playerState().beginGeneration();
    ZVA_StreamFree(h);
    ZVA_Free();
    ASSERT_EQ(programFiles(), expected);
    const QByteArray source = readFile(ZV_TEST_DATA_DIR "/audio/tone44.mp3");
    for (const QString& name : expected) {
        const QByteArray file = readFile(programPath(name));
        ASSERT_GT(file.size(), 3) << name.toStdString();
        EXPECT_TRUE(file.startsWith("\xFF\xFB")) << name.toStdString();
        EXPECT_TRUE((source + source).contains(file.left(source.size()))) << name.toStdString();
    }
}

}  // namespace
