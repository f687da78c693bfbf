#include <gtest/gtest.h>

#include <QPixmap>

#include "gaugetestsupport.h"

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
