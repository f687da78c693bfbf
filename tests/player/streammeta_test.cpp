#include "recordingtest.h"

#include "platform/errorchain.h"

#include <QCoreApplication>

namespace {

using Label = zvengine::ReceiverView::Label;
class StreamMeta : public zvtest::RecordingTest {};

TEST_F(StreamMeta, TitleGoesToTheLabelAndTheFileName) {
    const struct {
        QByteArray block;
        QString label;
        QString file;  // in the program folder
    } rows[] = {
        {"StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song",
         "Artist - Song_Teszt Rádió.mp3"},
        {"StreamTitle='';", "", "_Teszt Rádió.mp3"},
        {"StreamTitle='Rock & Roll';", "Rock && Roll", "Rock & Roll_Teszt Rádió.mp3"},
        {"StreamTitle='Mi: a/b\\c*d|e<f>g\"h?';", "Mi: a/b\\c*d|e<f>g\"h?",
         "Mi abcdefgh_Teszt Rádió.mp3"},
        {"StreamTitle='Kossuth R\xE1"
         "di\xF3';",
         "Kossuth Rádió", "Kossuth Rádió_Teszt Rádió.mp3"},
    };
    for (const auto& row : rows) {
        meta(row.block);
        ASSERT_FALSE(view.calls().empty());
        EXPECT_EQ(view.calls().back(), (zvtest::NotingView::Call{Label::Title, row.label}));
        EXPECT_EQ(recordFile(), programPath(row.file));
    }
    const std::size_t labels = view.calls().size();
    meta("streamtitle='Artist';");
    EXPECT_EQ(view.calls().size(), labels);
}

TEST_F(StreamMeta, OnlyANewTitleStartsANewFile) {
    zvengine::RecordingState& state = zvengine::recordingState();
    const auto opened = [&] {
        std::lock_guard lock(state.mutex);
        return std::exchange(state.recordOpened, true);
    };
    meta("StreamTitle='A';");
    EXPECT_FALSE(opened());
    stations.stations[1].name = "Másik";
    zvengine::playerState().currentStation = 1;
    meta("StreamTitle='A';");
    EXPECT_TRUE(opened());
    EXPECT_EQ(recordFile(), programPath("A_Másik.mp3"));
    meta("StreamTitle='B';");
    EXPECT_FALSE(opened());
}

TEST_F(StreamMeta, OvertakenStreamChangesNothing) {
    const std::uint64_t old = generation;
    zvengine::playerState().beginGeneration();
    void* oldUser = user();
    zvengine::DoMeta("StreamTitle='A';", old);
    zvengine::MetaSync(1, 1, reinterpret_cast<std::uintptr_t>("StreamTitle='A';"), oldUser);
    zvengine::SUBDOWNLOADPROC("ICY 200 OK\0\0", 0, oldUser);
    EXPECT_TRUE(view.calls().empty());
    EXPECT_TRUE(recordFile().isEmpty());
}

TEST_F(StreamMeta, FailurePassesUpAndEndsAtTheCallback) {
    zvengine::playerState().currentStation = 40;
    try {
        meta("StreamTitle='A';");
        FAIL() << "no failure";
    } catch (const zverr::Failure& failure) {
        EXPECT_EQ(failure.number(), zverr::kSubscriptOutOfRange);
        EXPECT_TRUE(failure.source().startsWith(QLatin1String("modNetRadio.DoMeta(4):")))
            << failure.source().toStdString();
    }
    zvengine::MetaSync(1, 1, reinterpret_cast<std::uintptr_t>("StreamTitle='A';"), user());
    QCoreApplication::processEvents();
    EXPECT_TRUE(readFile(programPath("Error.log")).contains("Code :modNetRadio.MetaSync, Hiba: "));
}

}  // namespace
