#include <gtest/gtest.h>

#include <QPixmap>

#include "gaugetestsupport.h"

namespace {

constexpr qint32 kGreen = 0xFF00;
constexpr qint32 kYellow = 0xFFFF;
constexpr qint32 kRed = 0xFF;
constexpr qint32 kBlack = 0;

// Every pixel of the surface has the colour `color`.
bool allOf(const PulseGauge& gauge, qint32 color) {
    const QImage& s = gauge.surface();
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (colorAt(s, x, y) != color) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

TEST(PulseGaugeDrawing, ValuesMapToPixelPositions) {
    auto gauge = makeGauge(9, 129);
    EXPECT_EQ(gauge->lastY(), 128);
    EXPECT_EQ(gauge->lastX(), 8);
    EXPECT_EQ(gauge->midPx(), 77);
    EXPECT_EQ(gauge->hiPx(), 115);
    gauge->setLevel(50);
    EXPECT_EQ(gauge->levelPx(), 64);
    gauge->setLevel(33);
    EXPECT_EQ(gauge->levelPx(), 42);

    // 5 * 9 / 10 = 4.5 goes to the even 4.
    auto small = makeGauge(3, 10);
    small->setMaxLevel(10);
    small->setLevel(5);
    EXPECT_EQ(small->levelPx(), 4);
    small->setLevel(7);  // 6.3
    EXPECT_EQ(small->levelPx(), 6);
}

TEST(PulseGaugeDrawing, GradientColours) {
    auto gauge = makeGauge(9, 129);
    gauge->setSolid(true);
    EXPECT_EQ(lineColor(*gauge, 0), kGreen);    // solid: position 0 is part of the bar
    EXPECT_EQ(lineColor(*gauge, 1), 0x00FF03);  // red 255 / 77 = 3.3
    EXPECT_EQ(lineColor(*gauge, 38), 0x00FF7E);
    EXPECT_EQ(lineColor(*gauge, 77), kYellow);
    EXPECT_EQ(lineColor(*gauge, 96), 0x0080FF);  // green 127.5 goes to 128
    for (int p = 115; p <= 128; ++p) {
        EXPECT_EQ(lineColor(*gauge, p), kRed) << p;
    }
}

TEST(PulseGaugeDrawing, ZoneColoursChangeAtTheThresholds) {
    auto gauge = makeGauge(9, 129);
    gauge->setSolid(true);
    gauge->setGradient(false);
    EXPECT_EQ(lineColor(*gauge, 1), kGreen);
    EXPECT_EQ(lineColor(*gauge, 76), kGreen);
    EXPECT_EQ(lineColor(*gauge, 77), kYellow);
    EXPECT_EQ(lineColor(*gauge, 114), kYellow);
    EXPECT_EQ(lineColor(*gauge, 115), kRed);
    EXPECT_EQ(lineColor(*gauge, 128), kRed);
}

TEST(PulseGaugeDrawing, StripesAndBackground) {
    auto gauge = makeGauge(5, 101);  // positions equal levels
    gauge->setShowPeak(false);
    gauge->setGradient(false);
    gauge->setBackColor(0x332211);
    gauge->setLevel(10);
    for (int p = 0; p <= 100; ++p) {
        const bool coloured = p <= 10 && p % 2 == 1;
        EXPECT_EQ(lineColor(*gauge, p), coloured ? kGreen : 0x332211) << p;
    }
    gauge->setSolid(true);
    for (int p = 0; p <= 10; ++p) {
        EXPECT_EQ(lineColor(*gauge, p), kGreen) << p;
    }
    EXPECT_EQ(lineColor(*gauge, 11), 0x332211);

    gauge->setShowPeak(true);
    gauge->setLevel(0);
    gauge->Resize();  // the marker drops to the empty bar
    EXPECT_TRUE(allOf(*gauge, 0x332211));
}

TEST(PulseGaugeDrawing, ReverseAndHorizontalLines) {
    auto gauge = makeGauge(5, 101);
    gauge->setSolid(true);
    gauge->setGradient(false);
    gauge->setLevel(50);
    gauge->Resize();
    // Upwards from the bottom row.
    EXPECT_EQ(colorAt(gauge->surface(), 2, 100), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 2, 99), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 2, 50), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 2, 49), kBlack);

    gauge->setReverse(true);  // downwards from the top row
    EXPECT_EQ(colorAt(gauge->surface(), 2, 0), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 4, 1), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 0, 50), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 0, 51), kBlack);

    gauge->setHorizontal(true);  // now 101 wide, 5 high: leftwards from the right column
    ASSERT_EQ(gauge->surface().size(), QSize(101, 5));
    EXPECT_EQ(colorAt(gauge->surface(), 100, 2), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 99, 0), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 50, 4), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 49, 2), kBlack);
    for (int p = 0; p <= 100; ++p) {
        EXPECT_TRUE(lineColor(*gauge, p).has_value()) << p;
    }

    gauge->setReverse(false);  // rightwards from the left column
    EXPECT_EQ(colorAt(gauge->surface(), 0, 2), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 1, 3), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 50, 2), kGreen);
    EXPECT_EQ(colorAt(gauge->surface(), 51, 2), kBlack);
}

TEST(PulseGaugeDrawing, EqualThresholdsTakeTheHighColour) {
    auto gauge = makeGauge(9, 129);
    gauge->setSolid(true);
    gauge->setHiLevel(60);  // equal to MidLevel: a zero-length middle segment
    ASSERT_EQ(gauge->midPx(), gauge->hiPx());
    EXPECT_EQ(lineColor(*gauge, 76), 0x00FFFC);  // red 76 / 77 * 255 = 251.7
    EXPECT_EQ(lineColor(*gauge, 77), kRed);
    EXPECT_EQ(lineColor(*gauge, 78), kRed);

    // A one-pixel meter maps every level to position 0.
    auto dot = makeGauge(1, 1);
    dot->setLevel(100);
    EXPECT_EQ(dot->midPx(), 0);
    EXPECT_EQ(dot->hiPx(), 0);
    EXPECT_TRUE(allOf(*dot, kBlack));
}

TEST(PulseGaugeDrawing, ZeroSizedSurfaceDrawsNothing) {
    for (const QSize outer : {QSize(0, 0), QSize(2, 2), QSize(2, 50), QSize(40, 1)}) {
        PulseGauge gauge;
        gauge.InitProperties();
        gauge.resize(outer);
        gauge.Resize();
        EXPECT_TRUE(gauge.surface().isNull());
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
