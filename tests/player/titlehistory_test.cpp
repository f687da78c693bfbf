#include "engine/titlehistory.h"
#include "dialogs/frmhistory.h"
#include "recordingtest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>

namespace {

class TitleHistory : public zvtest::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        stations.stations[1].name = "Kossuth Rádió";
        zvengine::titleHistory().open(path);
    }
    void TearDown() override {
        zvengine::titleHistory().open(zvengine::HistoryFile::inStateFolder());
        RecordingTest::TearDown();
    }
    // `title` in the metadata of station `station`, as the window shows it.
    void show(int station, const QByteArray& title) {
        zvengine::playerState().currentStation = station;
        meta("StreamTitle='" + title + "';");
        QCoreApplication::sendPostedEvents(&zvengine::titleHistory());
    }
    // `text` (the file's, the clipboard's) without the time at the start of each line.
    static QString untimed(const QString& text) {
        return QString(text).remove(
            QRegularExpression("^\\S+ \\S+\t", QRegularExpression::MultilineOption));
    }

    const QString path = tempDir.path() + "/elhangzott.tsv";
};

}  // namespace

// A line per new title as the window shows it: the button caption, one "&" for the label's
// "&&", tabs and line breaks as blanks. A blank title, or the previous line's station and title
// again, is no line, across a restart too. Only the user may read the file.
TEST_F(TitleHistory, EachNewTitleShownIsOneLineOfTheFile) {
    const std::tuple<bool, int, const char*> rows[] = {// restart before, station, title
                                                       {false, 0, "Rock & Roll"},
                                                       {false, 0, " "},
                                                       {false, 0, "A\tB\rC\nD"},
                                                       {true, 0, "A\tB\rC\nD"},
                                                       {false, 0, "Kovács"},
                                                       {false, 0, "Kovács"},
                                                       {false, 1, "Kovács"},
                                                       {true, 1, "Kovács"},
                                                       {true, 0, "B"},
                                                       {true, 0, "B"}};
    for (const auto& [restart, station, title] : rows) {
        if (restart) {
            zvengine::titleHistory().open(path);
        }
        show(station, title);
    }
    EXPECT_EQ(untimed(readFile(path)),
              "Teszt Rádió\tRock & Roll\nTeszt Rádió\tA B C D\nTeszt Rádió\t"
              "Kovács\nKossuth Rádió\tKovács\nTeszt Rádió\tB\n");
    EXPECT_EQ(QFile::permissions(path),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

// At start the lines older than 30 days, and lines without a time, are gone; the rest stays.
TEST_F(TitleHistory, StartDropsLinesOlderThanThirtyDays) {
    const auto line = [](int daysAgo, const char* title) {
        return QDateTime::currentDateTime()
                   .addDays(-daysAgo)
                   .toString("yyyy-MM-dd HH:mm:ss")
                   .toUtf8() +
               "\tA\t" + title;
    };
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path, line(31, "régi") + "\n" + line(29, "marad") + "\nidő nélkül\n" + line(0, "új"));
    zvengine::titleHistory().open(path);
    EXPECT_EQ(readFile(path), line(29, "marad") + "\n" + line(0, "új") + "\n");
}

// A file that cannot be written loses the titles, noted by one Error.log line per run.
TEST_F(TitleHistory, AnUnwritableFileCostsOneLogLinePerRun) {
    writeFile(tempDir.path() + "/fajl", "");
    for (const int run : {1, 2}) {
        zvengine::titleHistory().open(tempDir.path() + "/fajl/elhangzott.tsv");
        show(0, "A");
        show(0, "B");
        EXPECT_EQ(readFile(programPath("Error.log")).count('\n'), run);
    }
}

// The dialog lists the titles newest first, a new one on top while it is open, and keeps the
// lines that hold the filter's text in any column whatever the case and accents; each control
// is named for a screen reader.
TEST_F(TitleHistory, DialogListsNewestFirstAndFilters) {
    show(0, "Kovács Kati");
    frmHistory dialog([](QWidget*) {}, zvengine::titleHistory());
    show(1, "Zorán");
    for (const char* name : {"txtFilter", "lstTitles", "cmdCopy", "cmdClose"}) {
        EXPECT_FALSE(control<QWidget>(dialog, name)->accessibleName().isEmpty()) << name;
    }
    const std::pair<const char*, const char*> filters[] = {
        {"", "Kossuth Rádió\tZorán\nTeszt Rádió\tKovács Kati\n"},
        {"kovacs", "Teszt Rádió\tKovács Kati\n"},
        {"RADIO\tZORAN", "Kossuth Rádió\tZorán\n"}};
    for (const auto& [filter, shown] : filters) {
        control<QLineEdit>(dialog, "txtFilter")->setText(filter);
        control<QTreeView>(dialog, "lstTitles")->selectAll();
        control<QPushButton>(dialog, "cmdCopy")->click();
        EXPECT_EQ(untimed(QGuiApplication::clipboard()->text()), shown) << filter;
    }
}
