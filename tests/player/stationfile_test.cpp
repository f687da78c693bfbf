#include "startup/stationfile.h"
#include "playertest.h"
#include "startup/updatecheck.h"
#include "stationd.h"

#include <QFile>

#include <tuple>

using zvengine::StationList;
using zvstartup::StationFile;
using zvtest::ProgramEnded;

namespace {

int pauses = 0;

class StationFileTest : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        ASSERT_TRUE(serverRoot.isValid());
        QDir(serverRoot.path()).mkpath(QStringLiteral("config"));
        pauses = 0;
    }

    void serve(const QByteArray& stationFile) {
        writeFile(serverRoot.path() + QStringLiteral("/config/zvadok.txt"), stationFile);
    }
    void startServer(std::vector<std::string> args = {}) {
        server =
            std::make_unique<zvtest::Stationd>(serverRoot.path().toStdString(), std::move(args));
    }
    StationFile reader() {
        const QString url = server ? QString::fromStdString(server->url("/config/zvadok.txt"))
                                   : QStringLiteral("http://127.0.0.1:1/config/zvadok.txt");
        return StationFile(list, url, [](std::chrono::milliseconds) { ++pauses; });
    }
    void writeLocal(const QByteArray& content) {
        writeFile(programPath(QStringLiteral("zvadok.ini")), content);
        list.localConfig = true;
        list.configFile = programPath(QStringLiteral("zvadok.ini"));
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

    EXPECT_EQ(list.defaultPictureUrl, QStringLiteral("http://x/def.gif"));
    EXPECT_EQ(list.stations[0].streamUrl, QStringLiteral("http://a/0"));
    EXPECT_EQ(list.stations[0].name, QStringLiteral("Egy"));
    EXPECT_EQ(list.stations[0].pictureUrl, QStringLiteral("http://x/0.gif"));
    EXPECT_TRUE(list.stations[0].enabled);
    EXPECT_EQ(list.stations[3].streamUrl, QStringLiteral("http://a/3"));
    EXPECT_FALSE(list.stations[3].enabled);
    EXPECT_TRUE(list.stations[4].enabled);
    EXPECT_FALSE(list.stations[5].enabled);
    EXPECT_TRUE(list.stations[6].enabled);
    // "def" and a missing picture key both leave the picture address empty.
    EXPECT_TRUE(list.stations[4].pictureUrl.isEmpty());
    EXPECT_TRUE(list.stations[12].pictureUrl.isEmpty());
    EXPECT_FALSE(list.stations[12].enabled);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(list.localConfig);
}

TEST_F(StationFileTest, EmptyFileGivesAnEmptyTable) {
    writeLocal("");
    list.localConfig = false;  // nothing to complete from the server
    reader().loadIni(list.configFile);
    for (const auto& station : list.stations) {
        EXPECT_FALSE(station.enabled);
        EXPECT_TRUE(station.streamUrl.isEmpty());
    }
}

TEST_F(StationFileTest, LocalFileWithoutFirstStationIsCompletedFromTheServer) {
    serve(
        "[Adok]\nadoUrl0=http://szerver/0\nadoNam0=Szerver\nenable0=1\nadoUrl2=http://szerver/2\n");
    startServer();
    writeLocal("[Adok]\nadoNam0=Helyi\nadoUrl2=http://helyi/2\nadoNam2=Kettő\nenable2=1\n");
    reader().loadIni(list.configFile);

    EXPECT_FALSE(list.localConfig);
    EXPECT_EQ(list.stations[0].streamUrl, QStringLiteral("http://szerver/0"));
    EXPECT_EQ(list.stations[0].name, QStringLiteral("Szerver"));
    // Entries of the local file stay unless the server's file sets them.
    EXPECT_EQ(list.stations[2].streamUrl, QStringLiteral("http://szerver/2"));
    EXPECT_EQ(list.stations[2].name, QStringLiteral("Kettő"));
    EXPECT_TRUE(list.stations[2].enabled);
    EXPECT_FALSE(QFile::exists(tempPath(QStringLiteral("zvad.tmp"))));
}

TEST_F(StationFileTest, FetchedFileIsReadAndDeleted) {
    serve("[Adok]\nadoUrl7=http://szerver/7\nenable7=1\n");
    startServer({"--fail-first", "4"});
    reader().getRemIni();
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(list.stations[7].streamUrl, QStringLiteral("http://szerver/7"));
    EXPECT_EQ(list.configFile, tempPath(QStringLiteral("zvad.tmp")));
    EXPECT_FALSE(QFile::exists(list.configFile));
    EXPECT_TRUE(boxes.shown.empty());
}

// Five failed fetches, refused or answered with an error, end the program with one box.
TEST_F(StationFileTest, FiveFailedFetchesEndTheProgram) {
    for (const bool refused : {true, false}) {
        boxes.shown.clear();
        pauses = 0;
        // Refused: nobody accepts. Otherwise the server has no config/zvadok.txt: 404 each time.
        startServer(refused ? std::vector<std::string>{"--refuse"} : std::vector<std::string>{});
        EXPECT_THROW(reader().getRemIni(), ProgramEnded);
        EXPECT_EQ(pauses, 4);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Hiba"));
        EXPECT_EQ(boxes.shown[0].icon, zvbox::Icon::Error);
        EXPECT_EQ(
            boxes.shown[0].text,
            QStringLiteral("A Zenovia nem tud a kiszolgálóhoz csatlakozni.\rKérem ellenőrizze "
                           "az internetkapcsolatát/tűzfalát. (ini D hiba)"));
        EXPECT_TRUE(list.stations[0].streamUrl.isEmpty());
    }
}

// The update notice: the box shown, whether the program ends and what is opened, for every kind
// of [Update] section and answer.
TEST_F(StationFileTest, UpdateNoticeFollowsVersionKindAndAnswer) {
    const int own = zvstartup::localVersionNumber();
    using zvbox::Answer;
    using Outcome = std::tuple<QString, bool, QString>;  // box title, program ended, opened
    auto run = [&](const QByteArray& section, Answer answer, bool marker = false) {
        boxes.shown.clear();
        opened.clear();
        boxes.answers = {answer};
        const QString markerFile = programPath(QStringLiteral("zvrt.local"));
        marker ? writeFile(markerFile, "") : void(QFile::remove(markerFile));
        writeLocal("[Adok]\nadoUrl0=a\n" + section);
        const bool ended = endOf([&] { reader().loadIni(list.configFile); }).has_value();
        return Outcome(boxes.shown.empty() ? QString() : boxes.shown[0].title, ended,
                       opened.empty() ? QString() : opened.back().toString());
    };
    const Outcome nothing(QString(), false, QString());
    const QString needed = QStringLiteral("Frissítés szükséges");
    const QString offered = QStringLiteral("Frissítés elérhető");
    const QByteArray site = "https://frissites.example/uj";
    const QString versions =
        QStringLiteral("(az Ön verziója: %1, a frissítés verziója: %2)\rGyorsabb hangolás\r")
            .arg(own)
            .arg(own + 1);

    EXPECT_EQ(run(update(own, true, "http://u"), Answer::Ok), nothing);
    EXPECT_EQ(run(update(own + 1, true, site), Answer::Cancel), Outcome(needed, true, {}));
    EXPECT_EQ(boxes.shown[0].icon, zvbox::Icon::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, zvbox::Buttons::OkCancel);
    EXPECT_EQ(boxes.shown[0].text,
              "A Zenovia program további használatához frissítésre van szükség.\r" + versions +
                  "Kérem kattintson az OK-ra a frissítés letöltéséhez.");
    EXPECT_EQ(run(update(own + 1, true, site), Answer::Ok), Outcome(needed, true, site));
    EXPECT_EQ(run(update(own + 1, false, "http://u/v"), Answer::No), Outcome(offered, false, {}));
    EXPECT_EQ(boxes.shown[0].buttons, zvbox::Buttons::YesNo);
    EXPECT_EQ(boxes.shown[0].text, "A Zenovia programnak egy frissítése elérhető.\r" + versions +
                                       "Kívánja most letölteni?");
    EXPECT_EQ(run(update(own + 1, false, "http://u/v"), Answer::Yes),
              Outcome(offered, true, "http://u/v"));
    // Only web addresses are opened; anything else counts as declined.
    EXPECT_EQ(run(update(own + 1, false, "file:///etc/passwd"), Answer::Yes),
              Outcome(offered, false, {}));
    EXPECT_EQ(run(update(own + 1, true, "javascript:alert(1)"), Answer::Ok),
              Outcome(needed, true, {}));
    EXPECT_EQ(run(update(own + 1, true, "http://u"), Answer::Ok, true), nothing);
    EXPECT_EQ(run("[Update]\nverz=sok\nkotelez=talan\n", Answer::Ok), nothing);
    // A mandatory flag that does not convert counts as optional.
    EXPECT_EQ(run("[Update]\nverz=99999\nkotelez=talan\n", Answer::No),
              Outcome(offered, false, {}));
}
