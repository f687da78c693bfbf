// The pulse meter: its properties, how it draws its levels, and its peak marker.
#include <gtest/gtest.h>

#include <QPixmap>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <functional>

#include "gaugetestsupport.h"

namespace {

// The names carried by PropertyChanged since the spy started.
QStringList notified(const QSignalSpy& spy) {
    QStringList names;
    for (const auto& args : spy) {
        names << args.at(0).toString();
    }
    return names;
}

// A solid zone-coloured meter whose positions equal its levels (0..100), at full level with the
// marker riding the bar end.
std::unique_ptr<PulseGauge> fullMeter(int peakDelay) {
    auto gauge = makeGauge(5, 101);
    gauge->setSolid(true);
    gauge->setGradient(false);
    gauge->setPeakDelay(peakDelay);
    gauge->setLevel(100);
    gauge->Resize();
    return gauge;
}

// What a fullMeter shows: the bar up to `level` and the marker at `peak`, each line in the
// colour of its zone, the background everywhere else.
std::vector<std::optional<qint32>> picture(int level, int peak) {
    std::vector<std::optional<qint32>> lines;
    for (int p = 0; p <= 100; ++p) {
        const qint32 zone = p >= 90 ? 0xFF : p >= 60 ? 0xFFFF : 0xFF00;
        lines.push_back(p <= level || p == peak ? zone : 0);
    }
    return lines;
}

// Ticks until the marker leaves `from` and answers the number of ticks; gives up after `limit`.
int ticksUntilFall(PulseGauge& gauge, int from, int limit) {
    for (int tick = 1; tick <= limit; ++tick) {
        gauge.ClkTick();
        if (gauge.peakPx() != from) {
            return tick;
        }
    }
    return -1;
}

struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
    bool painted = false;
};

}  // namespace

// A new meter saved unchanged holds Level 100, MidLevel 60 and the five keys that are always
// written: everything else equals its saved default.
TEST(PulseGaugeProperties, NewMeterSavesOnlyWhatDiffersFromTheSavedDefaults) {
    auto gauge = makeGauge(9, 127);
    PropertyBag bag;
    gauge->WriteProperties(bag);
    EXPECT_EQ(bag.toText(),
              "level: Long = 100\nmidlevel: Long = 60\nhorizontal: Boolean = False\n"
              "reverse: Boolean = False\npeakdelay: Integer = 500\ngradient: Boolean = True\n"
              "solid: Boolean = False\n");
}

// Set one after the other on a new meter (MidLevel 60, HiLevel 90, MaxLevel 100).
TEST(PulseGaugeProperties, SettersClampTheirValues) {
    const struct {
        const char* name;
        int value, stored;
    } cases[] = {
        {"Level", -5, 0},           {"Level", 101, 100},   {"MidLevel", 90, 89},
        {"MidLevel", 0, 1},         {"MidLevel", 60, 60},  {"HiLevel", 50, 61},
        {"HiLevel", 60, 60},        {"HiLevel", 150, 100}, {"MaxLevel", 5, 10},
        {"MaxLevel", 20000, 10000}, {"PeakDelay", -1, 0},  {"PeakDelay", 6000, 5000},
    };
    auto gauge = makeGauge(9, 127);
    for (const auto& c : cases) {
        gauge->setProperty(c.name, c.value);
        EXPECT_EQ(gauge->property(c.name), c.stored) << c.name << " " << c.value;
    }
}

TEST(PulseGaugeProperties, SmallerMaxLevelLowersTheOthersAndNotifiesInOrder) {
    auto gauge = makeGauge(9, 127);
    gauge->setLevel(80);
    QSignalSpy spy(gauge.get(), &PulseGauge::PropertyChanged);
    gauge->setMaxLevel(50);
    EXPECT_EQ(gauge->HiLevel(), 49);
    EXPECT_EQ(gauge->MidLevel(), 48);
    EXPECT_EQ(gauge->Level(), 50);
    EXPECT_EQ(notified(spy), (QStringList{"Level", "MaxLevel", "HiLevel", "MidLevel", "Level"}));

    spy.clear();
    gauge->setMaxLevel(200);  // nothing to lower: Level is not set again
    EXPECT_EQ(gauge->HiLevel(), 49);
    EXPECT_EQ(notified(spy), (QStringList{"MaxLevel", "HiLevel", "MidLevel", "Level"}));
}

// A negative zone colour is ignored without a trace; a negative BackColor is a system colour.
TEST(PulseGaugeProperties, NegativeColours) {
    auto gauge = makeGauge(9, 127);
    const QImage before = gauge->surface();
    QSignalSpy spy(gauge.get(), &PulseGauge::PropertyChanged);
    for (const char* name : {"LowColor", "MidColor", "HiColor"}) {
        const QVariant kept = gauge->property(name);
        gauge->setProperty(name, -16777216);
        EXPECT_EQ(gauge->property(name), kept) << name;
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(gauge->surface(), before);
    gauge->setLowColor(0x123456);
    EXPECT_EQ(notified(spy), QStringList{"LowColor"});
    gauge->setBackColor(0x80000005);
    EXPECT_EQ(gauge->BackColor(), qint32(0x80000005));
}

// The border takes one pixel off every side of the inner area; the surface follows at once.
TEST(PulseGaugeProperties, BorderAndHorizontalReshapeTheMeter) {
    auto gauge = makeGauge(9, 127);
    gauge->setBorder(false);
    EXPECT_FALSE(gauge->Border());
    EXPECT_EQ(gauge->surface().size(), QSize(11, 129));
    gauge->setBorder(true);
    EXPECT_EQ(gauge->surface().size(), QSize(9, 127));
    const QSize tall(11, 129), wide(129, 11);
    for (const auto& [horizontal, size] : {std::pair{true, wide}, {true, tall}, {false, wide}}) {
        gauge->setHorizontal(horizontal);  // swaps width and height every time
        EXPECT_EQ(gauge->size(), size);
    }
}

// Loading reads every key with a default, in an order that bounds each level by the ones read
// before it and leaves PeakDelay unclamped; saving leaves out what equals the default.
TEST(PulseGaugeProperties, SavedTextLoadsAndSavesAgain) {
    const QString tail =
        "horizontal: Boolean = False\nreverse: Boolean = False\npeakdelay: Integer = %1\n"
        "gradient: Boolean = True\nsolid: Boolean = False\n";
    const QString player = "level: Long = 0\nmidlevel: Long = 60\n" + tail.arg(1000);
    const QString everyKey =
        "maxlevel: Long = 1000\nlevel: Long = 123\nshowpeak: Boolean = False\n"
        "backcolor: Long = 1052688\nlowcolor: Long = 1\nmidcolor: Long = 2\nhicolor: Long = 3\n"
        "hilevel: Long = 800\nmidlevel: Long = 300\nborder: Boolean = False\n"
        "horizontal: Boolean = True\nreverse: Boolean = True\npeakdelay: Integer = 0\n"
        "gradient: Boolean = False\nsolid: Boolean = True\n";
    const std::pair<QString, QString> cases[] = {
        {player, player},
        {everyKey, everyKey},
        {"", tail.arg(500)},
        {"MidLevel: Long = 20\nHiLevel: Long = 30\nPeakDelay: Integer = 6000\nLevel: Long = 500",
         "level: Long = 100\nhilevel: Long = 30\nmidlevel: Long = 20\n" + tail.arg(6000)},
    };
    for (const auto& [saved, resaved] : cases) {
        PulseGauge gauge;
        gauge.resize(11, 131);
        gauge.ReadProperties(*PropertyBag::fromText(saved));
        EXPECT_EQ(gauge.size(), QSize(11, 131));  // Horizontal is loaded without a swap
        PropertyBag bag;
        gauge.WriteProperties(bag);
        EXPECT_EQ(bag.toText(), resaved);
    }
    std::unique_ptr<PulseGauge> loaded(PulseGauge::fromText(player));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->PeakDelay(), 1000);
    QString error;
    EXPECT_EQ(PulseGauge::fromText(u"level: Long = loud", nullptr, &error), nullptr);
    EXPECT_TRUE(error.startsWith("line 1"));
}

TEST(PulseGaugeProperties, MouseEventsAreForwarded) {
    auto gauge = makeGauge(9, 127);
    gauge->show();
    QSignalSpy down(gauge.get(), &PulseGauge::MouseDown);
    QSignalSpy up(gauge.get(), &PulseGauge::MouseUp);
    QSignalSpy move(gauge.get(), &PulseGauge::MouseMove);
    QSignalSpy click(gauge.get(), &PulseGauge::Click);
    QSignalSpy dblClick(gauge.get(), &PulseGauge::DblClick);

    QTest::mouseMove(gauge.get(), QPoint(5, 6));
    ASSERT_GE(move.count(), 1);
    EXPECT_EQ(move.last(), (QVariantList{0, 0, 5.0f, 6.0f}));

    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers keys;
        int buttonBits, shiftBits;
    } cases[] = {{Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, 1, 3},
                 {Qt::RightButton, Qt::AltModifier, 2, 4},
                 {Qt::MiddleButton, Qt::NoModifier, 4, 0}};
    for (const auto& c : cases) {
        click.clear();
        QTest::mouseClick(gauge.get(), c.button, c.keys, QPoint(4, 30));
        const QVariantList args{c.buttonBits, c.shiftBits, 4.0f, 30.0f};
        ASSERT_FALSE(down.isEmpty() || up.isEmpty());
        EXPECT_EQ(down.takeLast(), args);
        EXPECT_EQ(up.takeLast(), args);
        EXPECT_EQ(click.count(), c.button == Qt::LeftButton ? 1 : 0);
    }
    click.clear();
    QTest::mouseDClick(gauge.get(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    EXPECT_EQ(dblClick.count(), 1);
    EXPECT_EQ(click.count(), 0);
}

TEST(PulseGaugeDrawing, LevelsMapToTheNearestPixelTiesToEven) {
    const struct {
        int innerHeight, maxLevel, level, px;
    } cases[] = {{129, 100, 60, 77}, {19, 12, 1, 2}, {19, 12, 3, 4}};
    for (const auto& c : cases) {
        auto gauge = makeGauge(3, c.innerHeight);
        gauge->setMaxLevel(c.maxLevel);
        gauge->setLevel(c.level);
        EXPECT_EQ(gauge->levelPx(), c.px) << c.level << " of " << c.maxLevel;
    }
}

// A full solid bar 129 lines long: MidLevel 60 is at line 77, HiLevel 90 (or 60) at 115 (or 77).
TEST(PulseGaugeDrawing, LinesTakeTheZoneOrGradientColour) {
    const struct {
        bool gradient;
        int hiLevel, p;
        qint32 color;
    } cases[] = {
        {true, 90, 0, 0x00FF00},    {true, 90, 1, 0x00FF03},    {true, 90, 38, 0x00FF7E},
        {true, 90, 77, 0x00FFFF},   {true, 90, 96, 0x0080FF},   {true, 90, 115, 0x0000FF},
        {true, 90, 128, 0x0000FF},  {false, 90, 76, 0x00FF00},  {false, 90, 77, 0x00FFFF},
        {false, 90, 114, 0x00FFFF}, {false, 90, 115, 0x0000FF}, {true, 60, 76, 0x00FFFC},
        {true, 60, 77, 0x0000FF},
    };
    auto gauge = makeGauge(9, 129);
    gauge->setSolid(true);
    for (const auto& c : cases) {
        gauge->setGradient(c.gradient);
        gauge->setHiLevel(c.hiLevel);
        EXPECT_EQ(lineColor(*gauge, c.p), c.color) << c.gradient << " " << c.hiLevel << " " << c.p;
    }
}

// Striped, only the odd lines of the bar are drawn; a bar at line 0 shows nothing at all.
TEST(PulseGaugeDrawing, StripesAndBackground) {
    auto gauge = makeGauge(5, 101);
    gauge->setShowPeak(false);
    gauge->setGradient(false);
    gauge->setBackColor(0x332211);
    for (const auto& [solid, level] : {std::pair{false, 10}, {true, 10}, {true, 0}}) {
        gauge->setSolid(solid);
        gauge->setLevel(level);
        for (int p = 0; p <= 100; ++p) {
            const bool drawn = p <= level && level > 0 && (solid || p % 2 == 1);
            EXPECT_EQ(lineColor(*gauge, p), drawn ? 0xFF00 : 0x332211) << solid << " " << p;
        }
    }
}

TEST(PulseGaugeDrawing, ZeroSizedSurfaceDrawsNothing) {
    for (const QSize outer : {QSize(0, 0), QSize(2, 2), QSize(2, 50), QSize(40, 1)}) {
        PulseGauge gauge;
        gauge.InitProperties();
        gauge.resize(outer);
        gauge.Resize();
        gauge.setLevel(100);
        gauge.setLevel(3);
        gauge.setGradient(false);
        gauge.setHorizontal(true);
        for (int i = 0; i < 3; ++i) {
            gauge.ClkTick();
        }
        gauge.grab();
        EXPECT_TRUE(gauge.surface().isNull());
    }
}

TEST(PulseGaugeDrawing, PaintShowsTheSurfaceInsideASunkenEdge) {
    auto gauge = makeGauge(9, 129);
    gauge->setLevel(70);
    const QImage shown = gauge->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(11, 131));
    EXPECT_EQ(shown.copy(1, 1, 9, 129).convertToFormat(QImage::Format_RGB32), gauge->surface());
    // Light falls from the top left: the top and left edges are darker than the others.
    const int topLeft = qGray(shown.pixel(0, 0));
    EXPECT_EQ(qGray(shown.pixel(5, 0)), topLeft);
    EXPECT_EQ(qGray(shown.pixel(0, 60)), topLeft);
    EXPECT_LT(topLeft, qGray(shown.pixel(10, 60)));
    EXPECT_LT(topLeft, qGray(shown.pixel(5, 130)));
}

TEST(PulseGaugePeak, HoldLastsThePeakDelayInTicks) {
    for (const auto& [delay, ticks] : {std::pair{0, 1}, {5, 1}, {10, 1}, {11, 2}, {500, 50}}) {
        auto gauge = fullMeter(delay);
        gauge->setLevel(20);
        EXPECT_TRUE(gauge->isClkActive()) << delay;
        EXPECT_EQ(ticksUntilFall(*gauge, 100, 1000), ticks) << delay;
        EXPECT_EQ(gauge->peakPx(), 99);
    }
}

// The marker holds, falls one pixel per tick and stops Clk where it meets the bar; a level above
// it takes it along, a lower one changes neither the hold nor the fall. Each step is checked in
// every orientation down to the lines drawn.
TEST(PulseGaugePeak, MarkerHoldsFallsAndMeetsTheBar) {
    const struct {
        int level;  // set first unless -1
        int ticks;
        int peak;
        bool running;
    } steps[] = {
        {20, 0, 100, true}, {-1, 30, 100, true}, {40, 0, 100, true}, {-1, 19, 100, true},
        {-1, 1, 99, true},  {60, 0, 99, true},   {-1, 9, 90, true},  {95, 0, 95, false},
        {93, 50, 94, true}, {-1, 1, 93, false},
    };
    for (const bool horizontal : {false, true}) {
        for (const bool reverse : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "horizontal " << horizontal << " reverse " << reverse);
            auto gauge = fullMeter(500);
            if (horizontal) {
                gauge->setHorizontal(true);  // swaps the shape
            }
            gauge->setReverse(reverse);
            for (const auto& s : steps) {
                if (s.level >= 0) {
                    gauge->setLevel(s.level);
                }
                for (int i = 0; i < s.ticks; ++i) {
                    gauge->ClkTick();
                }
                ASSERT_EQ(gauge->peakPx(), s.peak);
                EXPECT_EQ(gauge->isClkActive(), s.running);
                EXPECT_EQ(lineColors(*gauge), picture(gauge->Level(), s.peak));
            }
        }
    }
}

TEST(PulseGaugePeak, RecalcDropsTheMarker) {
    auto gauge = fullMeter(500);
    gauge->setLevel(30);
    gauge->setMidLevel(50);
    EXPECT_EQ(gauge->peakPx(), 30);
    EXPECT_EQ(lineColor(*gauge, 100), 0);
    gauge->ClkTick();  // Clk stops on its next tick
    EXPECT_FALSE(gauge->isClkActive());
}

TEST(PulseGaugePeak, HiddenMarkerIsTrackedButNotDrawn) {
    auto gauge = fullMeter(0);
    gauge->setShowPeak(false);
    gauge->setLevel(20);
    EXPECT_EQ(gauge->peakPx(), 100);
    EXPECT_FALSE(gauge->isClkActive());
    EXPECT_EQ(lineColors(*gauge), picture(20, 20));
    gauge->setShowPeak(true);  // the stranded marker is shown and falls
    EXPECT_EQ(lineColors(*gauge), picture(20, 100));
    EXPECT_TRUE(gauge->isClkActive());
    EXPECT_EQ(ticksUntilFall(*gauge, 100, 5), 1);
}

TEST(PulseGaugePeak, ClkTicksOnItsOwnInTheEventLoop) {
    auto gauge = fullMeter(0);
    gauge->setLevel(95);
    ASSERT_TRUE(gauge->isClkActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gauge->isClkActive(); }, 5000));
    EXPECT_EQ(gauge->peakPx(), 95);
}

// On screen, a meter paints only what changed: fed the same level again, or holding its
// marker, it paints nothing.
TEST(PulseGaugePeak, OnlyAChangePaints) {
    auto gauge = fullMeter(500);
    gauge->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gauge.get()));
    PaintCounter counter;
    gauge->installEventFilter(&counter);
    const std::pair<std::function<void()>, bool> steps[] = {
        {[&] { gauge->setLevel(100); }, false},  // the same level
        {[&] { gauge->setLevel(20); }, true},
        {[&] { gauge->ClkTick(); }, false},  // the marker holds
        {[&] { gauge->setLevel(20); }, false},
        {[&] { ticksUntilFall(*gauge, 100, 100); }, true},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        counter.painted = false;
        steps[i].first();
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.painted, steps[i].second) << i;
    }
}
