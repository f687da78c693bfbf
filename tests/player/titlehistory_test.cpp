#include "engine/titlehistory.h"
#include "dialogs/frmhistory.h"
#include "recordingtest.h"
#include "ui/frmmain.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : -1;
}

class TitleHistory : public zvtest::RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        stations.stations[1].name = QStringLiteral("Kossuth Rádió");
        zvengine::titleHistory().open(path);
    }
    void TearDown() override {
        zvengine::titleHistory().open(zvengine::HistoryFile::inStateFolder());
        RecordingTest::TearDown();
    }
    // The metadata `block` on station `station`, as the window shows it.
    void show(int station, const QByteArray& block) {
        zvengine::playerState().currentStation = station;
        meta(block);
        QCoreApplication::sendPostedEvents(&zvengine::titleHistory());
    }
    // The file's lines without their times.
    QStringList lines() const {
        QStringList untimed;
        for (const QString& line : QString::fromUtf8(readFile(path)).split('\n')) {
            untimed << line.section('\t', 1);
        }
        return untimed;
    }
    static QStringList rows(const QTreeView& list) {
        QStringList shown;
        for (int row = 0; row < list.model()->rowCount(); ++row) {
            shown << list.model()->index(row, 1).data().toString() + "\t" +
                         list.model()->index(row, 2).data().toString();
        }
        return shown;
    }

    const QString path = tempDir.path() + "/allapot/zenovia/elhangzott.tsv";
    std::function<void(QWidget*)> skin = [](QWidget*) {};
};

}  // namespace

// A line per title as the window shows it: the local time, the button caption, one "&" for the
// label's "&&", tabs and line breaks as blanks; blank titles leave none. File 0600, folder 0700.
TEST_F(TitleHistory, EachTitleShownIsOneLineOfTheFile) {
    const std::pair<QByteArray, QString> rows[] = {
        {"StreamTitle='Rock & Roll';", "Teszt Rádió\tRock & Roll"},
        {"StreamTitle='  ';", "Teszt Rádió\tRock & Roll"},
        {"StreamTitle='A\tB\rC\nD';", "Teszt Rádió\tA B C D"},
        {"StreamTitle='Kov\xE1"
         "cs';",
         "Teszt Rádió\tKovács"},
    };
    for (const auto& [block, line] : rows) {
        show(0, block);
        EXPECT_EQ(lines().at(lines().size() - 2), line) << block.constData();
    }
    const QString time = QString::fromUtf8(readFile(path)).section('\t', 0, 0);
    EXPECT_LT(std::abs(QDateTime::fromString(time, "yyyy-MM-dd HH:mm:ss")
                           .secsTo(QDateTime::currentDateTime())),
              600);
    EXPECT_EQ(lines().size(), 4);
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(modeOf(tempDir.path() + "/allapot/zenovia"), 0700);
}

// Only another station or title than the previous line's is a new line, across a restart too.
TEST_F(TitleHistory, ARepeatOfThePreviousLineIsNoLine) {
    const struct {
        int station;
        const char* title;
        bool restartBefore;
    } rows[] = {{0, "A", false}, {0, "A", false}, {1, "A", false}, {1, "A", true},
                {0, "B", true},  {0, "A", false}, {0, "A", true}};
    for (const auto& row : rows) {
        if (row.restartBefore) {
            zvengine::titleHistory().open(path);
        }
        show(row.station, "StreamTitle='" + QByteArray(row.title) + "';");
    }
    EXPECT_EQ(lines(), QStringList({"Teszt Rádió\tA", "Kossuth Rádió\tA", "Teszt Rádió\tB",
                                    "Teszt Rádió\tA", ""}));
}

// At start the lines older than 30 days, and lines without a time, are gone; the rest stays.
TEST_F(TitleHistory, StartDropsLinesOlderThanThirtyDays) {
    const QDateTime now = QDateTime::currentDateTime();
    const auto line = [&](int daysAgo, const char* title) {
        return now.addDays(-daysAgo).toString("yyyy-MM-dd HH:mm:ss").toUtf8() + "\tA\t" + title;
    };
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path, line(31, "régi") + "\n" + line(29, "marad") + "\nsor idő nélkül\n" +
                        line(0, "utolsó"));
    zvengine::titleHistory().open(path);
    EXPECT_EQ(readFile(path), line(29, "marad") + "\n" + line(0, "utolsó") + "\n");
}

// A file that cannot be written loses the titles, noted by one Error.log line per run; the
// station plays on and the titles still show.
TEST_F(TitleHistory, AnUnwritableFileCostsOneLogLinePerRunAndNoSound) {
    writeFile(tempDir.path() + "/fajl", "");
    installSkins();
    stations.stations[0].enabled = true;
    stations.stations[0].streamUrl = url(zvtest::sharedStationd(), "/mp3");
    ASSERT_TRUE(openAudio());
    const auto window = loadedWindow(stations);
    window->autoPlay(1);
    QSignalSpy heard(&zvengine::titleHistory(), &zvengine::TitleHistory::heard);
    for (const int run : {1, 2}) {
        zvengine::titleHistory().open(tempDir.path() + "/fajl/elhangzott.tsv");
        const qsizetype before = heard.size();
        EXPECT_TRUE(QTest::qWaitFor([&] { return heard.size() >= before + 2; }, 30000));
        EXPECT_EQ(readFile(programPath("Error.log")).count('\n'), run);
        EXPECT_TRUE(playing());
    }
    window->close();
}

// The dialog: the file's titles newest first, a new title at the top while it is open.
TEST_F(TitleHistory, DialogShowsNewestFirstAndNewTitlesOnTop) {
    show(0, "StreamTitle='Első';");
    show(1, "StreamTitle='Második';");
    frmHistory dialog(skin, zvengine::titleHistory());
    QTreeView* list = control<QTreeView>(dialog, "lstTitles");
    EXPECT_EQ(rows(*list), QStringList({"Kossuth Rádió\tMásodik", "Teszt Rádió\tElső"}));
    show(0, "StreamTitle='Harmadik';");
    EXPECT_EQ(rows(*list).front(), "Teszt Rádió\tHarmadik");
}

// The filter keeps the lines that hold its text in any column, whatever case and accents.
TEST_F(TitleHistory, DialogFilterIgnoresCaseAndAccents) {
    for (const char* title : {"Kovács Kati", "Zorán", "Kossuth"}) {
        show(0, "StreamTitle='" + QByteArray(title) + "';");
    }
    show(1, "StreamTitle='Ko & Ko';");
    frmHistory dialog(skin, zvengine::titleHistory());
    const std::pair<const char*, QStringList> filters[] = {
        {"kovacs", {"Teszt Rádió\tKovács Kati"}},
        {"ZORAN", {"Teszt Rádió\tZorán"}},
        {"kossuth", {"Kossuth Rádió\tKo & Ko", "Teszt Rádió\tKossuth"}},
        {"",
         {"Kossuth Rádió\tKo & Ko", "Teszt Rádió\tKossuth", "Teszt Rádió\tZorán",
          "Teszt Rádió\tKovács Kati"}}};
    for (const auto& [filter, shown] : filters) {
        control<QLineEdit>(dialog, "txtFilter")->setText(QString::fromUtf8(filter));
        EXPECT_EQ(rows(*control<QTreeView>(dialog, "lstTitles")), shown) << filter;
    }
}

// Ctrl+C in the list and "Másolás" copy the selected lines as the file holds them, in order.
TEST_F(TitleHistory, DialogCopiesTheSelectedLines) {
    for (const char* title : {"A", "B", "C"}) {
        show(0, "StreamTitle='" + QByteArray(title) + "';");
    }
    const QStringList file = QString::fromUtf8(readFile(path)).split('\n');
    const std::function<void(frmHistory&)> ways[] = {
        [](frmHistory& d) {
            QTest::keyClick(control<QTreeView>(d, "lstTitles"), Qt::Key_C, Qt::ControlModifier);
        },
        [](frmHistory& d) { control<QPushButton>(d, "cmdCopy")->click(); }};
    for (const auto& copy : ways) {
        QGuiApplication::clipboard()->clear();
        frmHistory dialog(skin, zvengine::titleHistory());
        ASSERT_TRUE(showActive(dialog));
        QTreeView* list = control<QTreeView>(dialog, "lstTitles");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        copy(dialog);
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
                  (file[2] + "\n" + file[0] + "\n").toStdString());
    }
}

// The keyboard: the filter has the focus at the start, Tab goes filter, list, "Másolás",
// "Bezárás", each with its name for a screen reader; Esc closes.
TEST_F(TitleHistory, DialogWorksFromTheKeyboard) {
    frmHistory dialog(skin, zvengine::titleHistory());
    ASSERT_TRUE(showActive(dialog));
    for (const char* name : {"txtFilter", "lstTitles", "cmdCopy", "cmdClose", "txtFilter"}) {
        EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
        EXPECT_FALSE(QApplication::focusWidget()->accessibleName().isEmpty()) << name;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}
