#include "recordingtest.h"

#include "command.h"
#include "dialogs/frmsett.h"
#include "engine/audiovalues.h"
#include "engine/streamworker.h"
#include "oggpage.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "zvaudio.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

#include <vector>

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
    zvengine::setRecordingEnabled(true);  // within the title: afresh, from the title's start
    block("mid\xFF\xFB\x90");
    EXPECT_EQ(readFile(programPath("B_Teszt Rádió.mp3")), "\xFF\xFBmorelostmid\xFF\xFB\x90");
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

// An Ogg recording plays by itself: a title told at its chain's beginning page records from
// that page; a title that begins inside the chain (an ICY title on an Ogg station) starts its
// file with the chain's header pages, then the first page that begins a packet.
TEST_F(StreamRecorder, OggFilesBeginWithTheirChainsHeaders) {
    const QByteArray file = readFile(ZV_TEST_DATA_DIR "/audio/chain-vorbis.ogg");
    zva::OggPageReader reader;
    reader.feed(reinterpret_cast<const unsigned char*>(file.constData()), file.size());
    std::vector<zva::OggPage> chain;
    for (zva::OggPage page; reader.next(page) && (chain.empty() || !page.beginsStream);) {
        chain.push_back(page);
    }
    const auto bytes = [&](std::size_t from, std::size_t to) {
        QByteArray joined;
        for (std::size_t i = from; i < to; ++i) {
            joined += QByteArray::fromStdString(chain[i].bytes);
        }
        return joined;
    };
    // The pages of the three Vorbis header packets, before the first sound: granule 0.
    std::size_t headers = 0;
    while (chain[headers].granule == 0) {
        ++headers;
    }
    ASSERT_GE(headers, 2u);
    std::size_t middle = headers + 1;
    zvengine::setStreamType(ZVA_CTYPE_STREAM_VORBIS);
    meta("StreamTitle='A';");
    for (std::size_t i = 0; i < middle; ++i) {
        block(bytes(i, i + 1));
    }
    meta("StreamTitle='B';");
    for (std::size_t i = middle; i < chain.size(); ++i) {
        block(bytes(i, i + 1));
    }
    while (chain[middle].continued) {
        ++middle;
    }
    EXPECT_EQ(readFile(programPath("A_Teszt Rádió.ogg")), bytes(0, headers + 1));
    EXPECT_EQ(readFile(programPath("B_Teszt Rádió.ogg")),
              bytes(0, headers) + bytes(middle, chain.size()));
    for (const char* name : {"A_Teszt Rádió.ogg", "B_Teszt Rádió.ogg"}) {
        EXPECT_EQ(zvtest::runCommand("ffmpeg -v error -i '" + programPath(name).toStdString() +
                                     "' -f null - 2>&1"),
                  "")
            << name;
    }
}

// A recording's name is one plain name of at most 255 bytes directly in its folder; control
// characters in the title become blanks.
TEST_F(StreamRecorder, RecordingNamesArePlainShortAndStayInTheFolder) {
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
        {"Ado", "x\x01y\t\x7F", "x y  _Ado.mp3"},
        {"Ado", "Mi: az?", "Mi az_Ado.mp3"},
        {"Ado", QByteArray(300, 'x'), QString(247, 'x') + "_Ado.mp3"},
        {"Ado", QString(200, u'é').toUtf8(), QString(123, u'é') + "_Ado.mp3"},
        {"Ado", QByteArray(244, 'y') + "😀z", QString(244, 'y') + "_Ado.mp3"},
        {QString(248, 'c'), "Cím", "C_" + QString(248, 'c') + ".mp3"},
        {QString(251, 'c'), "Dal", ""},
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

// A stop, or a click on another station, closes the recording: the next station's bytes (its
// own tone, MP3 or AAC, with titles or none) never reach the last station's file.
TEST_F(StreamRecorder, AStopOrSwitchEndsTheRecording) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    ASSERT_TRUE(openAudio());
    ASSERT_NE(ZVA_PluginLoad("libzvaudio_aac.so", 0), 0u);
    stations.stations[0].streamUrl = url(server, "/mp3?title_interval=600");
    const QString fileA = programPath("Első Előadó - Első dal_Teszt Rádió.mp3");
    const QByteArray source = readFile(ZV_TEST_DATA_DIR "/audio/tone44.mp3");
    for (const char* other : {"/mp3-48", "/aac", "/mp3-48?titles=B"}) {
        stations.stations[1].streamUrl = url(server, other);
        zvengine::stopStream();
        ASSERT_TRUE(zvengine::startWorker(0));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(fileA).size() > 3; }, 10000));
        zvengine::stopStream();
        ASSERT_TRUE(zvengine::startWorker(1));
        ASSERT_TRUE(workerDone() && playing()) << other;
        const QByteArray file = readFile(fileA);
        EXPECT_TRUE(source.repeated(file.size() / source.size() + 2).contains(file)) << other;
    }
}

// A program folder the receiver cannot write (0555, for root too) sends recordings to the user's
// music folder and Error.log to a private state folder; the settings dialog names the one used.
TEST_F(StreamRecorder, ReadOnlyProgramFolderWritesToTheUsersFolders) {
    const QString home = tempPath("home");
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs";
    const QByteArray program = QFile::encodeName(programDir.path()), savedHome = qgetenv("HOME");
    qputenv("HOME", home.toUtf8());
    ::chmod(program.constData(), 0555);
    const QString dalok = "XDG_MUSIC_DIR=\"$HOME/Dalok\"\n";
    const struct {
        QString music, state, userDirs, recordings, log;  // empty music, state: not set
    } rows[] = {
        {home + "/m", home + "/s", dalok, home + "/m/Zenovia", home + "/s/zenovia"},
        {"relatív", "", dalok, home + "/Dalok/Zenovia", home + "/.local/state/zenovia"},
        {"", "", "", home + "/Music/Zenovia", home + "/.local/state/zenovia"},
    };
    for (const auto& row : rows) {
        qputenv("XDG_MUSIC_DIR", row.music.toUtf8());
        qputenv("XDG_STATE_HOME", row.state.toUtf8());
        writeFile(dirs, row.userDirs.toUtf8());
        meta("StreamTitle='" + row.recordings.toUtf8() + "';");
        block("\xFF\xFB\x90");
        zverr::Errorlog("x", "");
        frmSett dialog([](QWidget*) {});
        EXPECT_EQ(readFile(row.recordings + "/" + QFileInfo(recordFile()).fileName()),
                  "\xFF\xFB\x90");
        EXPECT_TRUE(QFileInfo::exists(row.log + "/Error.log")) << row.log.toStdString();
        EXPECT_TRUE(
            control<QCheckBox>(dialog, "chkSave")->text().endsWith(" (" + row.recordings + ")"));
    }
    EXPECT_EQ(QFileInfo(home + "/s/zenovia").permissions().toInt() & 0x077, 0);
    EXPECT_EQ(programFiles(), QStringList());
    qputenv("HOME", savedHome);
    QFile::remove(dirs);
    ::chmod(program.constData(), 0700);
}

}  // namespace
