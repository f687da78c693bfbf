#include "ui/buttonlayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using zvlayout::layoutRow;

// Every button of a row gets the width (F − 450) / n, hidden ones too; the enabled ones are
// placed side by side from the width the window reports back (whole pixels), the lower row's
// places in single precision.
TEST(ButtonLayout, WidthsAndLeftEdgesOfARow) {
    const double none = NAN;
    const struct {
        double frame;
        const char* enabled;  // 'X' an enabled button, '.' a hidden one
        int button;
        double width, left;
    } rows[] = {
        {6000, "..X...", 2, 5550, 675},
        {6000, "..X...", 0, 5550, none},
        {8640, "X.X.X.", 0, 2730, 225},
        {8640, "X.X.X.", 2, 2730, 2730 + 75 + 225},
        {8640, "X.X.X.", 4, 2730, 2 * (2730 + 75) + 225},
        {8640, "X.X.X.", 3, 2730, none},
        {8640, "XXXXXX", 5, 1365, 5 * (1365 + 37.5) + 75 + 37.5},
        {8640, "XXXXXXX", 6, 1170,
         static_cast<float>(6 * (1170 + 225.0 / 7) + 450.0 / 7 + 225.0 / 7)},
        // 7550 / 6 = 1258.33 twips, which the window keeps as 84 pixels = 1260 twips.
        {8000, "XXXXXX", 1, 7550.0 / 6, static_cast<float>(1260 + 37.5 + 75 + 37.5)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.frame << " " << row.enabled << " " << row.button);
        std::vector<bool> enabled;
        for (const char* c = row.enabled; *c != '\0'; ++c) {
            enabled.push_back(*c == 'X');
        }
        const auto placed = layoutRow(row.frame, enabled);
        ASSERT_EQ(placed.size(), enabled.size());
        EXPECT_DOUBLE_EQ(placed[row.button].width, row.width);
        EXPECT_EQ(placed[row.button].left.has_value(), !std::isnan(row.left));
        if (placed[row.button].left) {
            EXPECT_DOUBLE_EQ(*placed[row.button].left, row.left);
        }
    }
    EXPECT_TRUE(layoutRow(8640, std::vector<bool>(7, false)).empty());
}

TEST(ButtonLayout, PixelConversionRoundsHalvesToEven) {
    EXPECT_EQ(zvlayout::twipsToPixels(22.5), 2);  // 1.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(37.5), 2);  // 2.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(620), 41);
}
