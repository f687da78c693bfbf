#include "ui/frmmain.h"
#include "engine/audioengine.h"
#include "engine/devicegate.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "engine/streamworkers.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "pulsegauge.h"
#include "ui/sessionend.h"
#include "ui/skinlabel.h"

#include <QBuffer>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <csignal>
#include <vector>

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
        list.stations[1].name = "Rejtett";
        list.defaultPictureUrl = "http://127.0.0.1:1/nincs.gif";
    }

    std::unique_ptr<frmMain> loaded() { return loadedWindow(list); }
    static QString label(const frmMain& window, const char* name) {
        return control<SkinLabel>(window, name)->value();
    }
    static QSlider* volume(const frmMain& window) { return control<QSlider>(window, "VScroll1"); }
    static QPushButton* preset(const frmMain& window, int i) {
        return control<QPushButton>(window, QStringLiteral("btnPresents(%1)").arg(i));
    }
    static int level(const frmMain& window, const char* meter) {
        return control<PulseGauge>(window, meter)->Level();
    }

    zvengine::StationList list;
};

// One wheel event of `delta` (eighths of a degree, 120 a notch) over `target`.
void turnWheel(QWidget* target, int delta) {
    const QPointF at(2, 2);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

std::uint64_t generation() {
    return zvengine::playerState().generation();
}

}  // namespace

// A loaded window shows the prompt, the clock, the stored volume (raised to its floor), skin 0
// and, while no default logo has arrived, the built-in one for every station; closing stores the
// volume.
TEST_F(MainWindow, LoadShowsPromptClockVolumeSkinAndLogo) {
    zvsettings::write(zvsettings::kSettingsSection, "Hangero", "1");
    const auto window = loaded();
    EXPECT_EQ(label(*window, "lblTitle"), "Kérem, válasszon egy élő műsort\raz alábbiak közül");
    EXPECT_EQ(label(*window, "lblName") + label(*window, "lblDesc") + label(*window, "lblBps"), "");
    EXPECT_TRUE(
        QRegularExpression("^\\d\\d:\\d\\d, .+ .+$").match(label(*window, "lblOra")).hasMatch());
    EXPECT_EQ(window->windowTitle(), "Zenovia");
    EXPECT_EQ(window->styleSheet().toUtf8(), readFile(programPath("zv0.skn")));
    const QPixmap logo = control<QLabel>(*window, "pictLogo")->pixmap();
    EXPECT_EQ(logo.toImage().convertToFormat(QImage::Format_RGB32),
              QImage(":/zenovia/logo.gif").convertToFormat(QImage::Format_RGB32));
    EXPECT_FALSE(QFile::exists(list.defaultLogoFile));
    for (const auto& station : list.stations) {
        EXPECT_EQ(station.logoFile, list.defaultLogoFile);
    }
    EXPECT_EQ(volume(*window)->value(), 3);
    volume(*window)->setValue(37);
    window->close();
    EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "Hangero"), "37");
}

// Upper row: three enabled of six, 2730 twips wide, without gaps; lower row: all seven, 1170
// twips (78 pixels) wide.
TEST_F(MainWindow, PresetButtonsFollowTheStationTableAndTheRowLayout) {
    const auto window = loaded();
    EXPECT_EQ(control<QFrame>(*window, "framePresents")->width(), 576);
    const int upperLefts[] = {15, 202, 389};
    const int lowerLefts[] = {6, 87, 167, 247, 327, 407, 487};
    for (int i = 0; i < zvengine::kStationCount; ++i) {
        SCOPED_TRACE(i);
        QPushButton* button = preset(*window, i);
        EXPECT_EQ(button->isVisibleTo(window.get()), i >= 6 || i % 2 == 0);
        EXPECT_EQ(button->text(), i == 1 ? "Rejtett" : list.stations[size_t(i)].name);
        if (i >= 6) {
            EXPECT_EQ(button->geometry(), QRect(lowerLefts[i - 6], 41, 78, 23));
        } else if (i % 2 == 0) {
            EXPECT_EQ(button->geometry(), QRect(upperLefts[i / 2], 16, 182, 23));
        }
    }
}

TEST_F(MainWindow, LocalListMarksTheCaptionUntilTheNextResize) {
    list.localConfig = true;
    const auto window = loaded();
    EXPECT_EQ(window->windowTitle(), "Zenovia (helyi konfiguráció)");
    window->show();
    window->setWindowState(Qt::WindowMinimized);
    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), "Zenovia");
}

TEST_F(MainWindow, DownloadedDefaultLogoIsShown) {
    QTemporaryDir root;
    QImage red(377, 126, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(root.path() + "/def.png", "PNG"));
    zvtest::Stationd server(root.path().toStdString());
    list.defaultPictureUrl = url(server, "/def.png");
    const auto window = loaded();
    const QImage shown = control<QLabel>(*window, "pictLogo")->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(Qt::red));
}

// Both meters carry the saved design: saved again, they give its text.
TEST_F(MainWindow, LevelMetersComeFromTheSavedDesign) {
    const auto window = loaded();
    QString design = QString::fromUtf8(readFile(":/zenovia/vumeter.bag"));
    design.remove(QRegularExpression("^#.*\n", QRegularExpression::MultilineOption));
    for (const char* name : {"VuL", "VuR"}) {
        PulseGauge* meter = control<PulseGauge>(*window, name);
        EXPECT_EQ(meter->size(), QSize(11, 129)) << name;
        EXPECT_EQ(meter->Level(), 0) << name;
        PropertyBag saved;
        meter->WriteProperties(saved);
        EXPECT_EQ(saved.toText(), design) << name;
    }
}

// One wheel event anywhere on the window is one step of the volume: five in the middle of the
// range, one near either end; a high-resolution wheel's event and a fast turn are one step too,
// a sideways turn none.
TEST_F(MainWindow, WheelStepsTheVolume) {
    const auto window = loaded();
    QSlider* slider = volume(*window);
    QWidget* const over[] = {slider, preset(*window, 0), window.get(),
                             control<SkinLabel>(*window, "lblTitle")};
    const struct {
        int from, delta, to;
    } rows[] = {{48, 120, 49}, {49, 120, 50},  {50, 120, 50},   {40, 120, 45},
                {44, 120, 49}, {30, -120, 25}, {6, -120, 1},    {3, -120, 2},
                {0, -120, 0},  {40, 30, 45},   {20, -1200, 15}, {30, 0, 30}};
    size_t n = 0;
    for (const auto& row : rows) {
        slider->setValue(row.from);
        turnWheel(over[n++ % std::size(over)], row.delta);
        EXPECT_EQ(slider->value(), row.to) << row.from << " " << row.delta;
    }
}

namespace {

class Controls : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // Unreachable stations: a start ends quickly with the not-available texts.
        for (auto& station : list.stations) {
            station.streamUrl = "http://127.0.0.1:1/adas";
        }
        zvengine::deviceChoice().deviceIndex = 0;
        ASSERT_TRUE(openAudio());
    }
    QString skinOf(const frmMain& window) const {
        for (const char* file : {"zv0.skn", "zv1.skn", "zv2.skn", "zv3.skn"}) {
            if (window.styleSheet().toUtf8() == readFile(programPath(file))) {
                return file;
            }
        }
        return {};
    }
};

// Lets `filter` see every event of the objects it is installed on, and swallow those it returns
// true for.
struct EventFilter : QObject {
    explicit EventFilter(std::function<bool(QEvent*)> f) : filter(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* event) override { return filter(event); }
    std::function<bool(QEvent*)> filter;
};

}  // namespace

// F1..F13 start the offered stations whichever control has the focus, with their skin; a key of
// a station not offered does nothing; Esc stops.
TEST_F(Controls, FunctionKeysStartOfferedStationsAndEscStops) {
    const auto window = loaded();
    ASSERT_TRUE(showActive(*window));
    volume(*window)->setFocus();
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
        const std::uint64_t before = generation();
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_EQ(generation(), before + (c.station >= 0 ? 1 : 0)) << c.key;
        EXPECT_EQ(zvengine::playerState().currentStation, c.station) << c.key;
        EXPECT_EQ(skinOf(*window), c.skin) << c.key;
        if (c.station >= 0) {
            EXPECT_EQ(QApplication::focusWidget(), preset(*window, c.station)) << c.key;
        }
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(label(*window, "lblTitle"), frmMain::kPrompt);
    EXPECT_EQ(skinOf(*window), "zv0.skn");
}

// The command-line station starts once the window is first shown, whether or not it gets the
// focus; a later activation or show starts nothing.
TEST_F(Controls, FirstShowStartsTheCommandLineStationOnce) {
    for (const bool focused : {true, false}) {
        frmMain window(list, 3);
        window.Form_Load();
        // Every activation swallowed: the focus never comes, as on Wayland or under
        // focus-stealing prevention.
        EventFilter noFocus([](QEvent* event) { return event->type() == QEvent::WindowActivate; });
        if (!focused) {
            window.installEventFilter(&noFocus);
        }
        zvengine::playerState().currentStation = -1;
        window.show();
        EXPECT_TRUE(QTest::qWaitFor([] { return zvengine::playerState().currentStation == 2; }))
            << focused;
        window.removeEventFilter(&noFocus);
        zvengine::playerState().currentStation = -1;
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.hide();
        window.show();  // as a restore from the task bar shows it again
        QCoreApplication::processEvents();
        EXPECT_EQ(zvengine::playerState().currentStation, -1) << focused;
        ASSERT_TRUE(workerDone());
    }
}

// A start, a stop or a close that arrives while a device box is open (its event loop delivers
// them) waits until the box has closed and the click's own start is done, then runs; the
// program goes on. A close drops the requests kept before and after it. An ending signal does
// not wait for the box: the fallback stops there (no further box, no stored device) and the
// window unloads.
TEST_F(Controls, RequestsDuringADeviceBoxWaitForTheOutput) {
    const auto started = [](int station) {
        return
            [station](const frmMain&) { return zvengine::playerState().currentStation == station; };
    };
    const auto closed = [](const frmMain& w) {
        return !w.isVisible() && zvengine::playerState().currentStation == 0;
    };
    const struct {
        const char* request;
        std::function<void(frmMain&)> make;
        std::function<bool(const frmMain&)> done;
        bool fallbackGoesOn = true;
    } rows[] = {
        {"start", [](frmMain& w) { w.btnPresents_Click(2); }, started(2)},
        {"stop", [](frmMain& w) { w.cmdStop_Click(); },
         [](const frmMain& w) { return label(w, "lblTitle") == frmMain::kPrompt; }},
        {"close", [](frmMain& w) { w.close(); }, closed},
        {"start, close",
         [](frmMain& w) {
             w.btnPresents_Click(2);
             w.close();
         },
         closed},
        {"close, start",
         [](frmMain& w) {
             w.close();
             w.btnPresents_Click(2);
         },
         closed},
        {"ending signal",
         [](frmMain& w) {
             closeAtSessionEnd(w);
             ::raise(SIGTERM);
             EXPECT_TRUE(QTest::qWaitFor([] { return zvengine::DeviceGate::ending(); }));
         },
         closed, false},
    };
    for (const auto& row : rows) {
        const auto window = loaded();
        window->show();
        // The dummy driver has one device: the second fails, the "no sound" device works. The
        // output has carried a station, so the click opens it again.
        zvengine::deviceChoice().unused = false;
        zvengine::deviceChoice().deviceIndex = 2;
        zvengine::deviceChoice().previousDevice = 0;
        zvsettings::removeSection(zvsettings::kSettingsSection);
        boxes.shown.clear();
        boxes.whileOpen = [&] { row.make(*window); };
        const std::uint64_t before = generation();
        EXPECT_EQ(endOf([&] { window->btnPresents_Click(0); }), std::nullopt) << row.request;
        EXPECT_EQ(generation(), before + 1) << row.request;
        EXPECT_TRUE(window->isVisible()) << row.request;
        EXPECT_TRUE(QTest::qWaitFor([&] { return generation() == before + 2; })) << row.request;
        EXPECT_TRUE(row.done(*window)) << row.request;
        EXPECT_EQ(boxes.shown.size(), 1u) << row.request;
        EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "Hangkartya").isEmpty(),
                  !row.fallbackGoesOn)
            << row.request;
        window->close();
    }
}

// Closing the window while a station plays, while its worker waits in a stalled probe or while
// it buffers a slow stream leaves no sound, no stream and no worker behind when the close returns.
TEST_F(Controls, ClosingLeavesNoSoundStreamOrWorker) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const std::pair<const char*, const char*> rows[] = {
        {"/mp3", nullptr},  // playing
        {"/mp3?delay_ms=60000", "Kapcsolódás..."},
        {"/mp3?burst=0", "Pufferelés..."},
    };
    for (const auto& [path, shown] : rows) {
        list.stations[0].streamUrl = url(server, path);
        const auto window = loaded();
        window->show();
        window->autoPlay(1);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return shown ? label(*window, "lblDesc").startsWith(shown) : playing(); }));
        window->close();
        EXPECT_EQ(ZVA_ChannelIsActive(zvengine::playerState().streamHandle()), ZVA_ACTIVE_STOPPED)
            << path;
        EXPECT_EQ(ZVA_Free(), 0) << path;
        EXPECT_EQ(zvengine::streamWorkers().running(), 0u) << path;
        ASSERT_TRUE(openAudio());
    }
}

// A stop or a newer start overtakes a worker that waits in a stalled probe: asked to stop, it
// ends within about a second, long before the probe's own 10 s time-out; only the newer start's
// worker is left.
TEST_F(Controls, OvertakenWorkerEndsAtItsNextPass) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    list.stations[0].streamUrl = url(server, "/mp3?delay_ms=60000");
    const struct {
        const char* request;
        std::function<void(frmMain&)> overtake;
        std::size_t left;
    } rows[] = {
        {"stop", [](frmMain& w) { w.cmdStop_Click(); }, 0},
        {"start", [](frmMain& w) { w.btnPresents_Click(0); }, 1},
    };
    const auto window = loaded();
    window->show();
    for (const auto& row : rows) {
        window->autoPlay(1);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return label(*window, "lblDesc").startsWith("Kapcsolódás..."); }));
        row.overtake(*window);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return zvengine::streamWorkers().running() == row.left;
        })) << row.request;
    }
    window->close();
}

// A station's logo is shown when its file is a GIF, PNG or JPEG, whatever its name; any other
// picture or garbage leaves the logo shown before.
TEST_F(Controls, OnlyGifPngAndJpegLogosAreShown) {
    const auto window = loaded();
    const auto picture = [](const char* format) {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(image.save(&buffer, format)) << format;
        return bytes;
    };
    const struct {
        const char* kind;
        QByteArray content;
        bool shown;
    } rows[] = {
        {"gif", readFile(":/zenovia/logo.gif"), true},
        {"svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"/>", false},
        {"png", picture("PNG"), true},
        {"bmp", picture("BMP"), false},
        {"jpeg", picture("JPEG"), true},
        {"xpm", picture("XPM"), false},
        {"garbage", QByteArray(300, '\x5a'), false},
    };
    QString previous = zvengine::audioEngine().logoFile();
    int n = 0;
    for (const auto& row : rows) {
        const QString file = tempPath(QStringLiteral("zvlogo%1.gif").arg(n++));
        writeFile(file, row.content);
        list.stations[0].logoFile = file;
        window->btnPresents_Click(0);
        EXPECT_EQ(zvengine::audioEngine().logoFile().toStdString(),
                  (row.shown ? file : previous).toStdString())
            << row.kind;
        previous = zvengine::audioEngine().logoFile();
    }
}

// The wheel handler is installed once however often it is hooked, and is off while a skin is
// applied at load, at a start and at a stop.
TEST_F(Controls, WheelHandlerIsSingleAndOffDuringSkinChanges) {
    frmMain window(list);
    QSlider* slider = volume(window);
    for (const auto& [calls, hooked] : {std::pair{"HH", true}, {"HHU", false}, {"UUH", true}}) {
        std::vector<int> deltas;
        WheelHook hook([&deltas](int zDelta) { deltas.push_back(zDelta); });
        for (const char* call = calls; *call != '\0'; ++call) {
            *call == 'H' ? hook.Hook(&window) : hook.UnHook();
        }
        turnWheel(&window, -120);
        EXPECT_EQ(deltas, hooked ? std::vector{-120} : std::vector<int>{}) << calls;
    }
    // Each skin applied turns the wheel once; the volume must not move.
    int skins = 0, moves = 0;
    EventFilter probe([&](QEvent* event) {
        if (event->type() == QEvent::StyleChange) {
            const int before = slider->value();
            turnWheel(&window, before < 50 ? 120 : -120);
            ++skins;
            moves += slider->value() != before ? 1 : 0;
        }
        return false;
    });
    window.installEventFilter(&probe);
    window.Form_Load();
    window.btnPresents_Click(0);
    window.cmdStop_Click();
    EXPECT_EQ(skins, 3);
    EXPECT_EQ(moves, 0);
}

// While a station plays, the meters follow its channels (the fixture's left is twice as loud as
// its right) and a drag of the slider sets its volume as it goes; minimised, the meters rest
// and the task bar names the station and its title.
TEST_F(Controls, PlayingStationDrivesMetersVolumeAndCaption) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    list.stations[0].streamUrl = url(server, "/mp3?titles=Rock%20%26%20Roll&title_interval=1");
    const auto window = loaded();
    window->show();
    QTimer* meterTimer = control<QTimer>(*window, "tmrHi");
    window->tmrHi_Timer();
    EXPECT_FALSE(meterTimer->isActive());  // nothing plays: it sleeps
    window->autoPlay(1);
    EXPECT_TRUE(meterTimer->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        window->tmrHi_Timer();
        return level(*window, "VuL") > 0;
    }));
    EXPECT_NEAR(level(*window, "VuL"), 40, 4);
    EXPECT_NEAR(level(*window, "VuR"), 20, 4);

    volume(*window)->setSliderDown(true);
    for (int position : {40, 20, 7}) {
        volume(*window)->setSliderPosition(position);
        int set = -1;
        ZVA_ChannelGetAttributes(zvengine::playerState().streamHandle(), nullptr, &set, nullptr);
        EXPECT_EQ(set, position * 2);
    }
    volume(*window)->setSliderDown(false);
    EXPECT_EQ(volume(*window)->value(), 7);

    ASSERT_TRUE(QTest::qWaitFor([&] { return label(*window, "lblTitle") == "Rock && Roll"; }));
    window->setWindowState(Qt::WindowMinimized);
    window->tmrHi_Timer();
    EXPECT_EQ(level(*window, "VuL") + level(*window, "VuR"), 0);
    EXPECT_FALSE(meterTimer->isActive());
    EXPECT_EQ(window->windowTitle(), "Zenovia - Adó 1: Rock & Roll");
    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(window->windowTitle(), "Zenovia");
    EXPECT_TRUE(meterTimer->isActive());
    window->cmdStop_Click();
    window->tmrHi_Timer();
    EXPECT_EQ(level(*window, "VuL") + level(*window, "VuR"), 0);
}

// A station that cannot be played is stopped on the fourth slow tick, a dropped connection at
// the next one, and a stopped stream is not stopped again.
TEST_F(Controls, SlowTimerStopsFailedAndDroppedStations) {
    zvtest::Stationd server(ZV_TEST_DATA_DIR);
    const auto window = loaded();
    window->autoPlay(1);
    ASSERT_TRUE(QTest::qWaitFor([] { return zvengine::playerState().notAvailable(); }));
    const std::uint64_t failed = generation();
    for (int tick = 1; tick <= 4; ++tick) {
        window->tmrLo_Timer();
        EXPECT_EQ(generation() > failed, tick == 4) << tick;
    }
    EXPECT_EQ(label(*window, "lblTitle"), frmMain::kPrompt);

    // A server gone for good after the drop: the library gives up after half a second.
    ZVA_SetConfig(ZVA_CONFIG_NET_RECONNECT, 500);
    list.stations[0].streamUrl = url(server, "/mp3?drop_after=2&refuse_after_drop=1000");
    window->autoPlay(1);
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return ZVA_StreamGetFilePosition(zvengine::playerState().streamHandle(),
                                             ZVA_FILEPOS_CONNECTED) == 0;
        },
        10000));
    const std::uint64_t dropped = generation();
    window->tmrLo_Timer();
    EXPECT_GT(generation(), dropped);
    const std::uint64_t stopped = generation();
    window->tmrLo_Timer();
    EXPECT_EQ(generation(), stopped);
}
