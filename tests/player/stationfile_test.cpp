#include "startup/stationfile.h"
#include "playertest.h"
#include "startup/updatecheck.h"

#include <QFile>

#include <tuple>

using zvengine::StationList;
using zvstartup::StationFile;

namespace {

int pauses = 0;

class StationFileTest : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        ASSERT_TRUE(serverRoot.isValid());
        QDir(serverRoot.path()).mkpath("config");
        pauses = 0;
    }

    void serve(const QByteArray& stationFile) {
        writeFile(serverRoot.path() + "/config/zvadok.txt", stationFile);
    }
    void startServer(std::vector<std::string> args = {}) {
        server =
            std::make_unique<zvtest::Stationd>(serverRoot.path().toStdString(), std::move(args));
    }
    StationFile reader() {
        const QString url = server ? QString::fromStdString(server->url("/config/zvadok.txt"))
                                   : "http://127.0.0.1:1/config/zvadok.txt";
        return StationFile(list, url, [](std::chrono::milliseconds) { ++pauses; });
    }
    void writeLocal(const QByteArray& content) {
        writeFile(programPath("zvadok.ini"), content);
        list.localConfig = true;
        list.configFile = programPath("zvadok.ini");
    }
    static QByteArray update(int version, bool mandatory, const QByteArray& url) {
        return "[Update]\nverz=" + QByteArray::number(version) + "\nurl=" + url +
               "\nkotelez=" + (mandatory ? "1" : "0") + "\nleiras=Gyorsabb hangolás\n";
    }

    QTemporaryDir serverRoot;
    std::unique_ptr<zvtest::Stationd> server;
    StationList list;
};

}  // namespace

TEST_F(StationFileTest, StationsAndDefaults) {
    writeLocal(
        "[Main]\npictdef=http://x/def.gif\n"
        "[Adok]\n"
        "adoUrl0=http://a/0\nadoNam0=Egy\nenable0=1\npictur0=http://x/0.gif\n"
        "adoUrl3=http://a/3\nadoNam3=Négy\n"               // no "enable3": not offered
        "adoUrl4=http://a/4\nenable4=True\npictur4=def\n"  // the words work too
        "adoUrl5=http://a/5\nenable5=igen\n"               // does not convert: the default
        "enable6=-1\n"
        "[Update]\nverz=0\n");
    reader().loadIni(list.configFile);

    EXPECT_EQ(list.defaultPictureUrl, "http://x/def.gif");
    EXPECT_EQ(list.stations[0].streamUrl, "http://a/0");
    EXPECT_EQ(list.stations[0].name, "Egy");
    EXPECT_EQ(list.stations[0].pictureUrl, "http://x/0.gif");
    EXPECT_TRUE(list.stations[0].enabled);
    EXPECT_EQ(list.stations[3].streamUrl, "http://a/3");
    EXPECT_FALSE(list.stations[3].enabled);
    EXPECT_TRUE(list.stations[4].enabled);
    EXPECT_FALSE(list.stations[5].enabled);
    EXPECT_TRUE(list.stations[6].enabled);
    // "def" and a missing picture key both leave the picture address empty.
    EXPECT_TRUE(list.stations[4].pictureUrl.isEmpty());
    EXPECT_TRUE(list.stations[12].pictureUrl.isEmpty());
}

// A local file without a first station is completed from the server; one that was not local
// to begin with (already the server's) is not fetched again.
TEST_F(StationFileTest, LocalFileWithoutFirstStationIsCompletedFromTheServer) {
    writeLocal("");
    list.localConfig = false;
    reader().loadIni(list.configFile);
    EXPECT_TRUE(list.stations[0].streamUrl.isEmpty());
    serve(
        "[Adok]\nadoUrl0=http://szerver/0\nadoNam0=Szerver\nenable0=1\nadoUrl2=http://szerver/2\n");
    startServer();
    writeLocal("[Adok]\nadoNam0=Helyi\nadoUrl2=http://helyi/2\nadoNam2=Kettő\nenable2=1\n");
    reader().loadIni(list.configFile);

    EXPECT_FALSE(list.localConfig);
    EXPECT_EQ(list.stations[0].streamUrl, "http://szerver/0");
    EXPECT_EQ(list.stations[0].name, "Szerver");
    // Entries of the local file stay unless the server's file sets them.
    EXPECT_EQ(list.stations[2].streamUrl, "http://szerver/2");
    EXPECT_EQ(list.stations[2].name, "Kettő");
}

TEST_F(StationFileTest, FetchedFileIsReadAndDeleted) {
    serve("[Adok]\nadoUrl7=http://szerver/7\nenable7=1\n");
    startServer({"--fail-first", "4"});
    reader().getRemIni();
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(list.stations[7].streamUrl, "http://szerver/7");
    EXPECT_EQ(list.configFile, tempPath("zvad.tmp"));
    EXPECT_FALSE(QFile::exists(list.configFile));
    EXPECT_TRUE(boxes.shown.empty());
}

// A fetch that fails five times, refused or answered with an error, ends the program with the
// network box; a file that arrives but cannot be written to TEMP ends it at once with the
// storage box.
TEST_F(StationFileTest, FailedFetchesEndTheProgramWithTheirOwnBox) {
    const QString network =
        "A Zenovia nem tud a kiszolgálóhoz csatlakozni.\rKérem ellenőrizze az "
        "internetkapcsolatát/tűzfalát. (ini D hiba)";
    const QString storage =
        "A Zenovia nem tud hozzáférni a helyi idéjglenes tárhoz.\rKérem ellenőrizze a "
        "jogosultságokat. (ini W hiba)";
    const struct {
        std::vector<std::string> server;
        bool served;    // the server has the station file
        bool writable;  // TEMP can take zvad.tmp
        int pauses;
        QString box;
    } rows[] = {
        {{"--refuse"}, true, true, 4, network},
        {{}, false, true, 4, network},
        {{}, true, false, 0, storage},
    };
    for (const auto& row : rows) {
        boxes.shown.clear();
        pauses = 0;
        QFile::remove(serverRoot.path() + "/config/zvadok.txt");
        if (row.served) {
            serve("[Adok]\nadoUrl0=http://szerver/0\n");
        }
        // As root, permissions stop nothing: a folder in the file's place refuses it.
        QDir(tempPath("")).rmdir("zvad.tmp");
        if (!row.writable) {
            ASSERT_TRUE(QDir(tempPath("")).mkdir("zvad.tmp"));
        }
        startServer(row.server);
        EXPECT_EQ(endOf([&] { reader().getRemIni(); }), zvbox::kExitFailed)
            << row.box.toStdString();
        EXPECT_EQ(pauses, row.pauses) << row.box.toStdString();
        EXPECT_EQ(boxes.shown, (Boxes{{"Hiba", row.box}}));
        EXPECT_TRUE(list.stations[0].streamUrl.isEmpty());
    }
}

// The update notice: the box shown, whether the program ends and what is opened, for every kind
// of [Update] section and answer.
TEST_F(StationFileTest, UpdateNoticeFollowsVersionKindAndAnswer) {
    const int own = zvstartup::localVersionNumber();
    using zvbox::Answer;
    // The box's title, the program's exit status if it ended, and what was opened.
    using Outcome = std::tuple<QString, std::optional<int>, QString>;
    auto run = [&](const QByteArray& section, Answer answer, bool marker = false) {
        boxes.shown.clear();
        opened.clear();
        boxes.answers = {answer};
        const QString markerFile = programPath("zvrt.local");
        marker ? writeFile(markerFile, "") : void(QFile::remove(markerFile));
        writeLocal("[Adok]\nadoUrl0=a\n" + section);
        const auto ended = endOf([&] { reader().loadIni(list.configFile); });
        return Outcome(boxes.shown.empty() ? QString() : boxes.shown[0].title, ended,
                       opened.empty() ? QString() : opened.back().toString());
    };
    const Outcome nothing;
    const std::optional<int> ends = zvbox::kExitNormal;  // the user's own choice: no failure
    const QString needed = "Frissítés szükséges";
    const QString offered = "Frissítés elérhető";
    const QByteArray site = "https://frissites.example/uj";
    const QString versions = QString(
                                 "(az Ön verziója: %1, a frissítés verziója: %2)\r"
                                 "Gyorsabb hangolás\r")
                                 .arg(own)
                                 .arg(own + 1);

    EXPECT_EQ(run(update(own, true, "http://u"), Answer::Ok), nothing);
    EXPECT_EQ(run(update(own + 1, true, site), Answer::Cancel), Outcome(needed, ends, {}));
    EXPECT_EQ(boxes.shown[0].icon, zvbox::Icon::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, zvbox::Buttons::OkCancel);
    EXPECT_EQ(boxes.shown[0].text,
              "A Zenovia program további használatához frissítésre van szükség.\r" + versions +
                  "Kérem kattintson az OK-ra a frissítés letöltéséhez.");
    EXPECT_EQ(run(update(own + 1, true, site), Answer::Ok), Outcome(needed, ends, site));
    EXPECT_EQ(run(update(own + 1, false, "http://u/v"), Answer::No), Outcome(offered, {}, {}));
    EXPECT_EQ(boxes.shown[0].buttons, zvbox::Buttons::YesNo);
    EXPECT_EQ(boxes.shown[0].text, "A Zenovia programnak egy frissítése elérhető.\r" + versions +
                                       "Kívánja most letölteni?");
    EXPECT_EQ(run(update(own + 1, false, "http://u/v"), Answer::Yes),
              Outcome(offered, ends, "http://u/v"));
    // Only web addresses are opened; anything else counts as declined.
    EXPECT_EQ(run(update(own + 1, false, "file:///etc/passwd"), Answer::Yes),
              Outcome(offered, {}, {}));
    EXPECT_EQ(run(update(own + 1, true, "javascript:alert(1)"), Answer::Ok),
              Outcome(needed, ends, {}));
    EXPECT_EQ(run(update(own + 1, true, "http://u"), Answer::Ok, true), nothing);
    EXPECT_EQ(run("[Update]\nverz=sok\nkotelez=talan\n", Answer::Ok), nothing);
    // A mandatory flag that does not convert counts as optional.
    EXPECT_EQ(run("[Update]\nverz=99999\nkotelez=talan\n", Answer::No), Outcome(offered, {}, {}));
}
