#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

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
