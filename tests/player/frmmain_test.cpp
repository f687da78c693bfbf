#include "ui/frmmain.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "pulsegauge.h"
#include "stationd.h"
#include "ui/skinlabel.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <zvaudio.h>

namespace {

class MainWindow : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        installSkins();
        // Upper row: stations 0, 2 and 4 only; lower row: all seven.
        for (int i : {0, 2, 4, 6, 7, 8, 9, 10, 11, 12}) {
            list.stations[static_cast<size_t>(i)].enabled = true;
            list.stations[static_cast<size_t>(i)].name = QStringLiteral("Adó %1").arg(i + 1);
        }
        list.stations[1].name = QStringLiteral("Rejtett");
        list.defaultPictureUrl = QStringLiteral("http://127.0.0.1:1/nincs.gif");
    }

    std::unique_ptr<frmMain> loaded() {
        auto window = std::make_unique<frmMain>(list);
        window->Form_Load();
        return window;
    }
    template <typename T>
    static T* control(const frmMain& window, const QString& name) {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    static QString label(const frmMain& window, const char* name) {
        return control<SkinLabel>(window, QString::fromLatin1(name))->value();
    }
    static QPushButton* preset(const frmMain& window, int i) {
        return control<QPushButton>(window, QStringLiteral("btnPresents(%1)").arg(i));
    }

    zvengine::StationList list;
};

}  // namespace

TEST_F(MainWindow, LoadShowsPromptClockAndStoredVolume) {
    const auto window = loaded();
    EXPECT_EQ(label(*window, "lblTitle"),
              QStringLiteral("Kérem, válasszon egy élő műsort\raz alábbiak közül"));
    EXPECT_TRUE(label(*window, "lblName").isEmpty());
    EXPECT_TRUE(label(*window, "lblDesc").isEmpty());
    EXPECT_TRUE(label(*window, "lblBps").isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d, .+ .+$"))
                    .match(label(*window, "lblOra"))
                    .hasMatch());
    EXPECT_EQ(control<QSlider>(*window, QStringLiteral("VScroll1"))->value(), 48);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zenovia"));
}

TEST_F(MainWindow, LowStoredVolumeIsRaisedAndUnloadStoresThePosition) {
    zvsettings::write(zvsettings::kSettingsSection, QStringLiteral("Hangero"), QStringLiteral("1"));
    const auto window = loaded();
    QSlider* volume = control<QSlider>(*window, QStringLiteral("VScroll1"));
    EXPECT_EQ(volume->value(), 3);
    volume->setValue(37);
    window->close();
    EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, QStringLiteral("Hangero")),
              QStringLiteral("37"));
}

TEST_F(MainWindow, PresetButtonsFollowTheStationTableAndTheRowLayout) {
    const auto window = loaded();
    EXPECT_EQ(control<QFrame>(*window, QStringLiteral("framePresents"))->width(), 576);
    // Upper row: three enabled of six, 2730 twips wide, at k = 0, 1, 2 without gaps.
    const int upperLefts[] = {15, 202, 389};
    int k = 0;
    for (int i = 0; i < 6; ++i) {
        QPushButton* button = preset(*window, i);
        EXPECT_EQ(button->width(), 182) << i;
        EXPECT_EQ(button->y(), 16);
        EXPECT_EQ(button->height(), 23);
        EXPECT_EQ(button->isVisibleTo(window.get()), i % 2 == 0) << i;
        if (i % 2 == 0) {
            EXPECT_EQ(button->x(), upperLefts[k++]) << i;
            EXPECT_EQ(button->text(), QStringLiteral("Adó %1").arg(i + 1));
        }
    }
    EXPECT_EQ(preset(*window, 1)->text(), QStringLiteral("Rejtett"));
    // Lower row: all seven, 1170 twips (78 pixels) wide.
    const int lowerLefts[] = {6, 87, 167, 247, 327, 407, 487};
    for (int i = 6; i < 13; ++i) {
        EXPECT_EQ(preset(*window, i)->geometry(), QRect(lowerLefts[i - 6], 41, 78, 23)) << i;
    }
}

TEST_F(MainWindow, LocalListMarksTheCaptionUntilTheNextResize) {
    list.localConfig = true;
    const auto window = loaded();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zenovia (helyi konfiguráció)"));
    window->show();
    window->setWindowState(Qt::WindowMinimized);
    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zenovia"));
}

TEST_F(MainWindow, SkinZeroIsAppliedAtLoad) {
    const auto window = loaded();
    EXPECT_EQ(window->styleSheet().toUtf8(), readFile(programPath(QStringLiteral("zv0.skn"))));
    EXPECT_FALSE(window->styleSheet().isEmpty());
}

TEST_F(MainWindow, BuiltInLogoStaysWhenNoDefaultLogoArrives) {
    const auto window = loaded();
    const QPixmap logo = control<QLabel>(*window, QStringLiteral("pictLogo"))->pixmap();
    EXPECT_EQ(logo.toImage().convertToFormat(QImage::Format_RGB32),
              QImage(QStringLiteral(":/zenovia/logo.gif")).convertToFormat(QImage::Format_RGB32));
}

TEST_F(MainWindow, DownloadedDefaultLogoIsShown) {
    QTemporaryDir root;
    QImage red(377, 126, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(root.path() + QStringLiteral("/def.png"), "PNG"));
    zvtest::Stationd server(root.path().toStdString());
    list.defaultPictureUrl = QString::fromStdString(server.url("/def.png"));
    const auto window = loaded();
    const QImage shown = control<QLabel>(*window, QStringLiteral("pictLogo"))->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(list.stations[3].logoFile, list.defaultLogoFile);
}

TEST_F(MainWindow, LevelMetersComeFromTheSavedDesign) {
    const auto window = loaded();
    for (const char* name : {"VuL", "VuR"}) {
        PulseGauge* meter = control<PulseGauge>(*window, QString::fromLatin1(name));
        EXPECT_EQ(meter->size(), QSize(11, 129)) << name;
        EXPECT_EQ(meter->Level(), 0);
        EXPECT_EQ(meter->MidLevel(), 60);
        EXPECT_EQ(meter->PeakDelay(), 1000);
        EXPECT_TRUE(meter->Gradient());
        EXPECT_FALSE(meter->Solid() || meter->Horizontal() || meter->Reverse());
        PropertyBag saved;
        meter->WriteProperties(saved);
        EXPECT_EQ(saved.keys(), QList<QString>({"level", "midlevel", "horizontal", "reverse",
                                                "peakdelay", "gradient", "solid"}));
    }
    QString design = QString::fromUtf8(readFile(QStringLiteral(":/zenovia/vumeter.bag")));
    design.remove(
        QRegularExpression(QStringLiteral("^#.*\n"), QRegularExpression::MultilineOption));
    PropertyBag saved;
    control<PulseGauge>(*window, QStringLiteral("VuR"))->WriteProperties(saved);
    EXPECT_EQ(saved.toText(), design);
}

namespace {

class Controls : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // Unreachable stations: a start ends quickly with the not-available texts.
        for (auto& station : list.stations) {
            station.streamUrl = QStringLiteral("http://127.0.0.1:1/adas");
        }
        zvengine::deviceChoice().deviceIndex = 0;
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    }
    void TearDown() override {
        EXPECT_TRUE(QTest::qWaitFor([] { return zvengine::playerState().workerThread == 0; }));
        MainWindow::TearDown();
    }
    QString skinOf(const frmMain& window) const {
        for (int i = 0; i <= 3; ++i) {
            const QString file = QStringLiteral("zv%1.skn").arg(i);
            if (window.styleSheet().toUtf8() == readFile(programPath(file))) {
                return file;
            }
        }
        return {};
    }
};

}  // namespace

// F1..F13 start the offered stations whichever control has the focus, with their skin; a key of
// a station not offered does nothing; Esc stops.
TEST_F(Controls, FunctionKeysStartOfferedStationsAndEscStops) {
    const auto window = loaded();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    control<QSlider>(*window, QStringLiteral("VScroll1"))->setFocus();
    const struct {
        Qt::Key key;
        int station;  // the index started; -1: nothing happens
        const char* skin;
    } cases[] = {
        {Qt::Key_F3, 2, "zv3.skn"},   {Qt::Key_F2, -1, "zv3.skn"}, {Qt::Key_F1, 0, "zv1.skn"},
        {Qt::Key_F13, 12, "zv0.skn"}, {Qt::Key_F6, -1, "zv0.skn"},
    };
    for (const auto& c : cases) {
        zvengine::playerState().currentStation = -1;
        // Keys go where the focus is, as a keyboard's do; each press starts one station.
        const std::uint64_t before = zvengine::playerState().generation();
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_EQ(zvengine::playerState().generation(), before + (c.station >= 0 ? 1 : 0)) << c.key;
        EXPECT_EQ(zvengine::playerState().currentStation, c.station) << c.key;
        EXPECT_EQ(skinOf(*window), QString::fromLatin1(c.skin)) << c.key;
        if (c.station >= 0) {
            EXPECT_EQ(QApplication::focusWidget(), preset(*window, c.station)) << c.key;
        }
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(label(*window, "lblTitle"), frmMain::kPrompt);
    EXPECT_EQ(skinOf(*window), QStringLiteral("zv0.skn"));
}

// The command-line station starts at the first activation only.
TEST_F(Controls, FirstActivationStartsTheCommandLineStation) {
    frmMain window(list, 3);
    window.Form_Load();
    zvengine::playerState().currentStation = -1;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(zvengine::playerState().currentStation, 2);
    // The station cannot be reached: the worker's texts arrive through the window's labels.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return label(window, "lblName") ==
               QStringLiteral("Kérem próbálkozzon később, vagy egy másik adóval");
    }));
    zvengine::playerState().currentStation = -1;
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(zvengine::playerState().currentStation, -1);
}

// Closing the window while a station plays or connects leaves no sound and no stream behind.
TEST_F(Controls, ClosingWhilePlayingOrConnectingLeavesNoSound) {
    zvtest::Stationd server(ZV_TEST_DATA_DIR);
    for (const char* path : {"/mp3", "/mp3?delay_ms=3000"}) {
        list.stations[0].streamUrl = QString::fromStdString(server.url(path));
        const auto window = loaded();
        window->show();
        window->autoPlay(1);
        if (std::string(path) == "/mp3") {
            ASSERT_TRUE(QTest::qWaitFor([] {
                return ZVA_ChannelIsActive(zvengine::playerState().streamHandle()) ==
                       ZVA_ACTIVE_PLAYING;
            }));
        }
        window->close();
        EXPECT_EQ(ZVA_ChannelIsActive(zvengine::playerState().streamHandle()), ZVA_ACTIVE_STOPPED)
            << path;
        EXPECT_EQ(ZVA_Free(), 0) << path;
        ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    }
}
