#include "ui/buttonlayout.h"

#include <gtest/gtest.h>

using zvlayout::layoutRow;

TEST(ButtonLayout, SingleButtonSpansTheFrame) {
    const auto row = layoutRow(6000, {false, false, true, false, false, false});
    ASSERT_EQ(row.size(), 6u);
    EXPECT_DOUBLE_EQ(row[2].width, 5550);
    ASSERT_TRUE(row[2].left.has_value());
    EXPECT_DOUBLE_EQ(*row[2].left, 675);
    // Hidden buttons get the width too, but no place.
    EXPECT_DOUBLE_EQ(row[0].width, 5550);
    EXPECT_FALSE(row[0].left.has_value());
}

TEST(ButtonLayout, HiddenButtonsLeaveNoGaps) {
    const double frame = 8640;  // 576 pixels
    const auto row = layoutRow(frame, {true, false, true, false, true, false});
    const double width = (frame - 450) / 3;  // 2730 twips = 182 pixels exactly
    for (int i : {0, 2, 4}) {
        EXPECT_DOUBLE_EQ(row[i].width, width);
    }
    EXPECT_DOUBLE_EQ(*row[0].left, 0 * (width + 75) + 150 + 75);
    EXPECT_DOUBLE_EQ(*row[2].left, 1 * (width + 75) + 150 + 75);
    EXPECT_DOUBLE_EQ(*row[4].left, 2 * (width + 75) + 150 + 75);
    EXPECT_FALSE(row[1].left || row[3].left || row[5].left);
}

TEST(ButtonLayout, AllThirteenUseEachRowsOwnCount) {
    const double frame = 8640;
    const auto upper = layoutRow(frame, std::vector<bool>(6, true));
    const auto lower = layoutRow(frame, std::vector<bool>(7, true));
    EXPECT_DOUBLE_EQ(upper[0].width, 1365);
    // 8190 / 7 = 1170 twips = 78 pixels; the reported width is the same.
    EXPECT_DOUBLE_EQ(lower[0].width, 1170);
    EXPECT_DOUBLE_EQ(*upper[5].left, 5 * (1365 + 37.5) + 75 + 37.5);
    // The lower row's positions are single-precision values.
    EXPECT_DOUBLE_EQ(*lower[6].left,
                     static_cast<float>(6 * (1170 + 225.0 / 7) + 450.0 / 7 + 225.0 / 7));
}

TEST(ButtonLayout, LeftEdgesUseTheWidthTheWindowReportsBack) {
    // 8000 − 450 = 7550 / 6 = 1258.33 twips, which the window keeps as 84 pixels = 1260 twips.
    const auto row = layoutRow(8000, std::vector<bool>(6, true));
    EXPECT_NEAR(row[1].width, 1258.333, 0.001);
    EXPECT_DOUBLE_EQ(*row[1].left, static_cast<float>(1 * (1260 + 37.5) + 75 + 37.5));
}

TEST(ButtonLayout, RowWithoutEnabledButtonsIsLeftAlone) {
    EXPECT_TRUE(layoutRow(8640, std::vector<bool>(7, false)).empty());
}

TEST(ButtonLayout, PixelConversionRoundsHalvesToEven) {
    EXPECT_EQ(zvlayout::twipsToPixels(22.5), 2);  // 1.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(37.5), 2);  // 2.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(620), 41);
}
