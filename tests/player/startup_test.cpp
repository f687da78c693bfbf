#include "startup/startup.h"
#include "dialogs/frmsett.h"
#include "engine/outputdevice.h"
#include "engine/stationlogos.h"
#include "platform/errorchain.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "startup/audiolibrarycheck.h"
#include "startup/commandline.h"
#include "startup/startfailure.h"
#include "startup/startupvalues.h"
#include "ui/frmmain.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>

#include <zvaudio.h>

#include <system_error>

namespace {

const QString kLogo = QStringLiteral(ZV_TEST_DATA_DIR "/../../data/logo.gif");

class Startup : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        zvstartup::startupValues() = {};
    }
};

}  // namespace

// Every station at one loudness holds from start-up, before any station plays, as stored: on
// unless "0" is; the settings box "Egyenletes hangerő minden adón" shows it.
TEST_F(Startup, StoredLevellingHoldsFromStartUpAndTheBoxShowsIt) {
    installSkins();
    installAudioLibrary();
    writeFile(programPath("zvadok.ini"), "[Adok]\nadoUrl0=http://127.0.0.1:1/a\nenable0=1\n");
    zvsettings::write(zvsettings::kSettingsSection, "Hangkartya", "1");
    const std::pair<const char*, std::uintptr_t> rows[] = {
        {nullptr, 1}, {"0", 0}, {"1", 1}, {"ki", 1}};
    for (const auto& [stored, level] : rows) {
        if (stored != nullptr) {
            zvsettings::write(zvsettings::kSettingsSection, "EgyenletesHangero", stored);
        }
        ZVA_SetConfig(ZVA_CONFIG_LEVEL, 1 - level);
        zvstartup::startupValues() = {};
        const std::unique_ptr<frmMain> window = zvstartup::Main({});
        EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), level) << stored;
        const frmSett dialog([](QWidget*) {});
        const QCheckBox* box = control<QCheckBox>(dialog, "chkLevel");
        EXPECT_EQ(box->text(), "Egyenletes hangerő minden adón");
        EXPECT_EQ(box->isChecked(), level == 1) << stored;
        window->close();
    }
}

TEST_F(Startup, MissingSkinEndsBeforeTheStationListIsFetched) {
    installSkins();
    QFile::remove(programPath("zv2.skn"));
    EXPECT_EQ(endOf([] { zvstartup::Main({}); }), zvbox::kExitFailed);
    EXPECT_EQ(boxes.shown, (Boxes{{"Hiba",
                                   "A Zenovia nem talál némi rendszerfájlt.\rKérem "
                                   "telepítse újra a programot."}}));
    EXPECT_FALSE(QFile::exists(tempPath("zvad.tmp")));
}

TEST_F(Startup, LocalStationListCommandLineAndDevice) {
    installSkins();
    installAudioLibrary();
    writeFile(programPath("zvadok.ini"),
              "[Adok]\nadoUrl0=http://127.0.0.1:1/a\nadoNam0=Egyes\nenable0=1\n"
              "adoUrl2=http://127.0.0.1:1/c\nadoNam2=Hármas\nenable2=1\n");
    zvsettings::write(zvsettings::kSettingsSection, "Hangkartya", "1");

    const std::unique_ptr<frmMain> window = zvstartup::Main({"/hallgat:3"});
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QDir::currentPath(), QDir(programDir.path()).canonicalPath());
    EXPECT_EQ(zvstartup::startupValues().startStation, 3);
    EXPECT_EQ(window->windowTitle(), "Zenovia (helyi konfiguráció)");
    EXPECT_EQ(zvengine::deviceChoice().deviceIndex, 1);
    EXPECT_EQ(zvengine::deviceChoice().previousDevice, 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Startup, AudioLibraryMustBeVersion23WithBothFiles) {
    struct Row {
        std::uint32_t version;
        const char* missing;
        bool accepted;
    };
    const Row rows[] = {
        {ZVA_GetVersion(), nullptr, true},
        {0x0203FFFF, nullptr, true},  // the low word does not count
        {0x02040000, nullptr, false},
        {0x02020000, nullptr, false},
        {0x00000203, nullptr, false},
        {0x02030000, "libzvaudio_aac.so", false},
        {0x02030000, "libzvaudio.so", false},
    };
    for (const Row& row : rows) {
        installAudioLibrary();
        if (row.missing) {
            QFile::remove(programPath(QLatin1String(row.missing)));
        }
        boxes.shown.clear();
        const auto end = endOf([&] { zvstartup::checkAudioLibrary(row.version); });
        const std::string name = QString::number(row.version, 16).toStdString();
        if (row.accepted) {
            EXPECT_FALSE(end) << name;
            continue;
        }
        EXPECT_EQ(end, zvbox::kExitFailed) << name;
        EXPECT_EQ(
            boxes.shown,
            (Boxes{{"Hiba", "Program modulok hibásak, a rádió újratelepítése szükségeltetik"}}))
            << name;
    }
}

// The box names the audio library's error code.
TEST_F(Startup, AacAddOnThatWillNotLoadIsReportedAndFreesTheLibrary) {
    ASSERT_TRUE(openAudio());
    EXPECT_FALSE(endOf(zvstartup::loadAacAddOn));
    // The library refuses to load the same add-on twice.
    EXPECT_EQ(endOf(zvstartup::loadAacAddOn), zvbox::kExitFailed);
    EXPECT_EQ(boxes.shown,
              (Boxes{{"Error",
                      QStringLiteral("Az AAC modul nem érhető el  \r\n\r\nerror code: %1")
                          .arg(ZVA_ERROR_ALREADY),
                      zvbox::Icon::Exclamation}}));
    EXPECT_EQ(ZVA_Free(), 0);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_INIT);
}

TEST_F(Startup, LogosArriveAllAtOnceAndFailuresGetTheDefault) {
    QTemporaryDir root;
    QDir(root.path()).mkpath("logos");
    ASSERT_TRUE(QFile::copy(kLogo, root.path() + "/logos/def.gif"));
    ASSERT_TRUE(QFile::copy(kLogo, root.path() + "/logos/0.gif"));
    writeFile(root.path() + "/logos/4.gif", "not a picture but a file");
    zvtest::Stationd server(root.path().toStdString());
    auto url = [&](const char* path) { return PlayerTest::url(server, path); };

    zvengine::StationList list;
    list.defaultPictureUrl = url("/logos/def.gif");
    list.stations[0].pictureUrl = url("/logos/0.gif");
    list.stations[1].pictureUrl = url("/logos/nincs.gif");  // 404
    list.stations[2].pictureUrl = "def";
    list.stations[4].pictureUrl = url("/logos/4.gif?delay_ms=300");  // slow, but arrives
    writeFile(tempPath("zvlogo1.gif"), "an old logo");
    zvengine::MainCont(list);

    const QString def = tempPath("zvlogodef.gif");
    EXPECT_EQ(list.defaultLogoFile, def);
    EXPECT_EQ(QImage(def).size(), QSize(377, 126));
    EXPECT_EQ(list.stations[0].logoFile, tempPath("zvlogo0.gif"));
    EXPECT_EQ(readFile(list.stations[0].logoFile), readFile(kLogo));
    EXPECT_EQ(list.stations[1].logoFile, def);
    EXPECT_EQ(readFile(tempPath("zvlogo1.gif")), QByteArray("an old logo"));
    EXPECT_EQ(list.stations[2].logoFile, def);
    EXPECT_EQ(list.stations[4].logoFile, tempPath("zvlogo4.gif"));
    EXPECT_EQ(readFile(list.stations[4].logoFile), QByteArray("not a picture but a file"));
    // A station whose picture key was missing has an empty address: its download fails.
    EXPECT_EQ(list.stations[12].logoFile, def);
}

// Whatever failure leaves start-up ends the program as failed, with a box that describes it.
TEST_F(Startup, AnyFailureThatLeavesStartUpEndsWithItsErrorBox) {
    const std::system_error noThread(
        std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
    const std::pair<std::exception_ptr, QString> rows[] = {
        {std::make_exception_ptr(zverr::Failure(53, "modNetRadio.loadIni(2):", "Nincs meg")),
         "Nincs meg\r\rmodNetRadio.loadIni(2): (53)"},
        {std::make_exception_ptr(noThread), QString::fromLocal8Bit(noThread.what())},
        {std::make_exception_ptr(7), "Ismeretlen hiba"},
    };
    for (const auto& [failure, text] : rows) {
        boxes.shown.clear();
        EXPECT_EQ(endOf([&] { zvstartup::endAfterFailure(failure); }), zvbox::kExitFailed);
        EXPECT_EQ(boxes.shown, (Boxes{{"Hiba", text}}));
    }
}

// The station of "/hallgat N" or "-hallgat N" (any case, a blank or a colon before N); 0 for
// none. A later switch wins; a switch without a number leaves the earlier one; N outside 1..13
// or not a number gives none.
TEST(CommandLine, StartStationComesFromTheLastSwitchWithANumber) {
    const std::pair<const char*, int> rows[] = {
        {"/hallgat 3", 3},
        {"/HALLGAT:3", 3},
        {"-HALLGAT 5", 5},
        {"/hallgat:13", 13},
        {"valami /hallgat 1 más", 1},
        {"-hallgat 14", 0},
        {"-hallgat 0", 0},
        {"/hallgat öt", 0},
        {"/hallgat 3x", 0},
        {"/hallgat  3", 0},  // two blanks: the word after the switch is empty
        {"", 0},
        {"/hallgat", 0},
        {"/hallgat -3", 0},
        {"/hallgat 4 /hallgat", 4},
        {"/hallgat 4 /hallgat /x", 4},
        {"/hallgat 2 /hallgat 7", 7},
        {"/hallgat 2 -hallgat 99", 0},
    };
    for (const auto& [line, station] : rows) {
        EXPECT_EQ(zvstartup::startStationFrom(QString::fromUtf8(line)), station) << line;
    }
}
