#include <gtest/gtest.h>

#include <QMetaProperty>
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

// The saved form of the player's two meters.
constexpr char16_t kPlayerMeter[] =
    u"level: Long = 0\n"
    u"midlevel: Long = 60\n"
    u"horizontal: Boolean = False\n"
    u"reverse: Boolean = False\n"
    u"peakdelay: Integer = 1000\n"
    u"gradient: Boolean = True\n"
    u"solid: Boolean = False\n";

}  // namespace

TEST(PulseGaugeProperties, NewInstanceHasTheDefaults) {
    PulseGauge fresh;
    EXPECT_EQ(fresh.MaxLevel(), 100);  // Initialize
    EXPECT_EQ(fresh.Level(), 0);
    EXPECT_FALSE(fresh.isClkActive());

    auto gauge = makeGauge(9, 127);
    for (const auto& info : PulseGauge::kProperties) {
        const QVariant value = gauge->property(info.name);
        if (info.type == PulseGauge::PropertyType::Boolean) {
            EXPECT_EQ(value.toBool(), info.defaultValue != 0) << info.name;
        } else {
            EXPECT_EQ(value.toInt(), info.defaultValue) << info.name;
        }
    }
}

TEST(PulseGaugeProperties, TableMatchesTheMetaObjectAndDispatchIdentifiers) {
    const QMetaObject& meta = PulseGauge::staticMetaObject;
    const int first = meta.propertyOffset();
    ASSERT_EQ(meta.propertyCount() - first, int(PulseGauge::kProperties.size()));
    const char* slotOrder[] = {"Level",     "MidLevel",  "HiLevel",  "MaxLevel",   "ShowPeak",
                               "BackColor", "LowColor",  "MidColor", "HiColor",    "Border",
                               "Gradient",  "PeakDelay", "Reverse",  "Horizontal", "Solid"};
    const int dispIds[] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 13, 12, 11, 10, 14};
    for (int i = 0; i < int(PulseGauge::kProperties.size()); ++i) {
        const auto& info = PulseGauge::kProperties[i];
        EXPECT_STREQ(info.name, slotOrder[i]);
        EXPECT_STREQ(meta.property(first + i).name(), slotOrder[i]);
        EXPECT_TRUE(meta.property(first + i).isWritable());
        EXPECT_EQ(info.dispId, 0x68030000 + dispIds[i]) << info.name;
        EXPECT_NE(QByteArray(info.description).indexOf("Returns/set"), -1);
    }
    EXPECT_STREQ(PulseGauge::kProperties[0].description, "Returns/sets level to display.");
    EXPECT_STREQ(PulseGauge::kProperties[7].description,
                 "Returns/sets the color for levels between MidLevel and HiLevel");
}

TEST(PulseGaugeProperties, DispatchIdentifiersReachTheSetters) {
    auto gauge = makeGauge(9, 127);
    EXPECT_TRUE(gauge->setByDispId(0x68030009, 42));
    EXPECT_EQ(gauge->Level(), 42);
    EXPECT_EQ(gauge->getByDispId(0x68030009).toInt(), 42);
    EXPECT_TRUE(gauge->setByDispId(0x68030009, 500));  // clamped like the setter
    EXPECT_EQ(gauge->Level(), 100);
    EXPECT_TRUE(gauge->setByDispId(0x6803000E, true));
    EXPECT_TRUE(gauge->Solid());
    EXPECT_TRUE(gauge->setByDispId(0x68030000, false));
    EXPECT_FALSE(gauge->Border());
    EXPECT_EQ(gauge->getByDispId(0x68030003).toInt(), 0xFF00);

    EXPECT_FALSE(gauge->setByDispId(0x6803000F, 1));
    EXPECT_FALSE(gauge->getByDispId(0x6803000F).isValid());
    EXPECT_FALSE(gauge->setByDispId(0x68030009, QString("loud")));
    EXPECT_EQ(gauge->Level(), 100);
}

TEST(PulseGaugeProperties, LevelSettersClamp) {
    auto gauge = makeGauge(9, 127);
    gauge->setLevel(-5);
    EXPECT_EQ(gauge->Level(), 0);
    gauge->setLevel(101);
    EXPECT_EQ(gauge->Level(), 100);

    gauge->setMidLevel(95);  // HiLevel 90
    EXPECT_EQ(gauge->MidLevel(), 89);
    gauge->setMidLevel(0);
    EXPECT_EQ(gauge->MidLevel(), 1);

    gauge->setMidLevel(60);
    gauge->setHiLevel(50);
    EXPECT_EQ(gauge->HiLevel(), 61);
    gauge->setHiLevel(60);
    EXPECT_EQ(gauge->HiLevel(), 60);
    gauge->setHiLevel(150);
    EXPECT_EQ(gauge->HiLevel(), 100);

    gauge->setMaxLevel(5);
    EXPECT_EQ(gauge->MaxLevel(), 10);
    gauge->setMaxLevel(20000);
    EXPECT_EQ(gauge->MaxLevel(), 10000);

    gauge->setPeakDelay(-1);
    EXPECT_EQ(gauge->PeakDelay(), 0);
    gauge->setPeakDelay(6000);
    EXPECT_EQ(gauge->PeakDelay(), 5000);
}

TEST(PulseGaugeProperties, SmallerMaxLevelLowersTheOthersAndNotifiesInOrder) {
    auto gauge = makeGauge(9, 127);
    gauge->setLevel(80);
    QSignalSpy spy(gauge.get(), &PulseGauge::PropertyChanged);
    gauge->setMaxLevel(50);
    EXPECT_EQ(gauge->MaxLevel(), 50);
    EXPECT_EQ(gauge->HiLevel(), 49);
    EXPECT_EQ(gauge->MidLevel(), 48);
    EXPECT_EQ(gauge->Level(), 50);
    EXPECT_EQ(notified(spy), (QStringList{"Level", "MaxLevel", "HiLevel", "MidLevel", "Level"}));

    spy.clear();
    gauge->setMaxLevel(200);  // nothing to lower: Level is not set again
    EXPECT_EQ(gauge->HiLevel(), 49);
    EXPECT_EQ(notified(spy), (QStringList{"MaxLevel", "HiLevel", "MidLevel", "Level"}));
}

TEST(PulseGaugeProperties, NegativeZoneColoursAreIgnored) {
    auto gauge = makeGauge(9, 127);
    const QImage before = gauge->surface();
    QSignalSpy spy(gauge.get(), &PulseGauge::PropertyChanged);
    gauge->setLowColor(-1);
    gauge->setMidColor(-16777216);
    gauge->setHiColor(-2147483647 - 1);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(gauge->LowColor(), 0xFF00);
    EXPECT_EQ(gauge->MidColor(), 0xFFFF);
    EXPECT_EQ(gauge->HiColor(), 0xFF);
    EXPECT_EQ(gauge->surface(), before);
    PropertyBag bag;
    gauge->WriteProperties(bag);
    EXPECT_FALSE(bag.contains("lowcolor"));

    gauge->setLowColor(0x123456);
    EXPECT_EQ(notified(spy), QStringList{"LowColor"});
    EXPECT_EQ(gauge->LowColor(), 0x123456);
}

TEST(PulseGaugeProperties, SurfaceProperties) {
    auto gauge = makeGauge(9, 127);
    gauge->setBackColor(0x80000005);  // a system colour is accepted as it is
    EXPECT_EQ(gauge->BackColor(), qint32(0x80000005));
    gauge->setBackColor(0x203040);
    EXPECT_EQ(gauge->BackColor(), 0x203040);

    EXPECT_TRUE(gauge->Border());
    EXPECT_EQ(gauge->surface().size(), QSize(9, 127));
    gauge->setBorder(false);  // the inner area grows: Resize recalculates at once
    EXPECT_FALSE(gauge->Border());
    EXPECT_EQ(gauge->surface().size(), QSize(11, 129));
    EXPECT_EQ(gauge->lastY(), 128);
    gauge->setBorder(true);
    EXPECT_TRUE(gauge->Border());
    EXPECT_EQ(gauge->lastY(), 126);
}

TEST(PulseGaugeProperties, HorizontalSwapsTheShapeEveryTime) {
    auto gauge = makeGauge(9, 127);
    gauge->setHorizontal(true);
    EXPECT_EQ(gauge->size(), QSize(129, 11));
    EXPECT_EQ(gauge->lastX(), 126);
    EXPECT_EQ(gauge->lastY(), 8);
    gauge->setHorizontal(true);
    EXPECT_EQ(gauge->size(), QSize(11, 129));
    gauge->setHorizontal(false);
    EXPECT_EQ(gauge->size(), QSize(129, 11));
}

TEST(PulseGaugeProperties, NewInstanceSavesSevenKeys) {
    auto gauge = makeGauge(9, 127);
    PropertyBag bag;
    gauge->WriteProperties(bag);
    EXPECT_EQ(bag.toText(),
              "level: Long = 100\n"
              "midlevel: Long = 60\n"
              "horizontal: Boolean = False\n"
              "reverse: Boolean = False\n"
              "peakdelay: Integer = 500\n"
              "gradient: Boolean = True\n"
              "solid: Boolean = False\n");
}

TEST(PulseGaugeProperties, PlayerMeterSavesExactlyItsSevenKeys) {
    auto gauge = makeGauge(9, 127);
    gauge->setLevel(0);
    gauge->setPeakDelay(1000);
    PropertyBag bag;
    gauge->WriteProperties(bag);
    EXPECT_EQ(bag.toText(), QString::fromUtf16(kPlayerMeter));

    std::unique_ptr<PulseGauge> loaded(PulseGauge::fromText(kPlayerMeter));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Level(), 0);
    EXPECT_EQ(loaded->MidLevel(), 60);
    EXPECT_EQ(loaded->HiLevel(), 90);
    EXPECT_EQ(loaded->PeakDelay(), 1000);
    EXPECT_TRUE(loaded->Gradient());
    EXPECT_TRUE(loaded->Border());
    EXPECT_TRUE(loaded->ShowPeak());
    PropertyBag again;
    loaded->WriteProperties(again);
    EXPECT_EQ(again, bag);

    QString error;
    EXPECT_EQ(PulseGauge::fromText(u"level: Long = loud", nullptr, &error), nullptr);
    EXPECT_TRUE(error.startsWith("line 1"));
}

TEST(PulseGaugeProperties, EveryPropertySurvivesTheRoundTrip) {
    auto gauge = makeGauge(9, 127);
    gauge->setMaxLevel(1000);
    gauge->setHiLevel(800);
    gauge->setMidLevel(300);
    gauge->setLevel(123);
    gauge->setShowPeak(false);
    gauge->setBackColor(0x101010);
    gauge->setLowColor(0x1);
    gauge->setMidColor(0x2);
    gauge->setHiColor(0x3);
    gauge->setBorder(false);
    gauge->setHorizontal(true);
    gauge->setReverse(true);
    gauge->setPeakDelay(0);
    gauge->setGradient(false);
    gauge->setSolid(true);
    PropertyBag bag;
    gauge->WriteProperties(bag);
    EXPECT_EQ(bag.size(), 15);

    const auto loadedBag = PropertyBag::fromText(bag.toText());
    ASSERT_TRUE(loadedBag.has_value());
    PulseGauge loaded;
    loaded.resize(11, 131);
    loaded.ReadProperties(*loadedBag);
    for (const auto& info : PulseGauge::kProperties) {
        EXPECT_EQ(loaded.property(info.name), gauge->property(info.name)) << info.name;
    }
    // Horizontal is loaded without swapping the shape.
    EXPECT_EQ(loaded.size(), QSize(11, 131));
}

TEST(PulseGaugeProperties, LoadingAppliesKeysInOrderAndKeepsPeakDelay) {
    // HiLevel is read before MidLevel, so a saved HiLevel below the default MidLevel stays.
    std::unique_ptr<PulseGauge> gauge(PulseGauge::fromText(
        u"MidLevel: Long = 20\nHiLevel: Long = 30\nPeakDelay: Integer = 6000\nLevel: Long = 500"));
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->HiLevel(), 30);
    EXPECT_EQ(gauge->MidLevel(), 20);
    EXPECT_EQ(gauge->PeakDelay(), 6000);
    EXPECT_EQ(gauge->Level(), 100);
    EXPECT_EQ(gauge->BackColor(), 0);
    EXPECT_EQ(gauge->LowColor(), 0xFF00);

    // An absent key takes the reading default, which for Level and MidLevel is 50.
    std::unique_ptr<PulseGauge> bare(PulseGauge::fromText(u""));
    EXPECT_EQ(bare->Level(), 50);
    EXPECT_EQ(bare->MidLevel(), 50);
    EXPECT_EQ(bare->PeakDelay(), 500);
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

    QTest::mouseClick(gauge.get(), Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                      QPoint(4, 30));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down.at(0), (QVariantList{1, 3, 4.0f, 30.0f}));
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.at(0), (QVariantList{1, 3, 4.0f, 30.0f}));
    EXPECT_EQ(click.count(), 1);

    QTest::mouseClick(gauge.get(), Qt::RightButton, Qt::AltModifier, QPoint(2, 3));
    EXPECT_EQ(down.last(), (QVariantList{2, 4, 2.0f, 3.0f}));
    EXPECT_EQ(click.count(), 1);

    click.clear();
    QTest::mouseDClick(gauge.get(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    EXPECT_EQ(dblClick.count(), 1);
    EXPECT_EQ(click.count(), 0);
}
