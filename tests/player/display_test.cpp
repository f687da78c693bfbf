// The small rules of what the window shows: label values and their display, the clock line,
// the task-bar caption, the watch over a station in trouble, the meters' scale and the layout
// of the button rows.
#include "engine/audiovalues.h"
#include "engine/receiverview.h"
#include "engine/streamwatch.h"
#include "ui/buttonlayout.h"
#include "ui/clockline.h"
#include "ui/skinlabel.h"
#include "ui/windowcaption.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <cmath>
#include <string>

TEST(SkinLabelText, ValueIsKeptAsSetAndShownAsTheOriginalLabels) {
    SkinLabel label("lblTitle");
    QSignalSpy changed(&label, &SkinLabel::changed);
    label.setValue("Rock && Roll\rmásodik sor");
    EXPECT_EQ(label.value(), "Rock && Roll\rmásodik sor");
    EXPECT_EQ(label.text(), "Rock & Roll\nmásodik sor");
    label.setValue(label.value());
    EXPECT_EQ(changed.count(), 2);  // the change event fires on every assignment
    EXPECT_EQ(zvengine::displayText("a\r\nb&&&&c&"), "a\nb&&c&");
}

TEST(ClockLine, HungarianAndEnglish) {
    const QDateTime evening(QDate(2026, 12, 6), QTime(21, 5, 59));
    EXPECT_EQ(clockText(evening, QLocale(QLocale::Hungarian, QLocale::Hungary)),
              "21:05, 2026. december 6. vasárnap");
    const QDateTime morning(QDate(2027, 3, 1), QTime(7, 0));
    EXPECT_EQ(clockText(morning, QLocale(QLocale::English, QLocale::UnitedStates)),
              "07:00, March 1, 2027 Monday");
}

TEST(DisplayRules, CaptionNamesStationAndTitleOnlyWhilePlayingMinimised) {
    const struct {
        bool playing;
        bool minimised;
        const char16_t* title;  // the label's value
        const char16_t* caption;
    } rows[] = {
        {true, true, u"Rock && Roll", u"Zenovia - Adó 1: Rock & Roll"},
        {true, true, u" Cím ", u"Zenovia - Adó 1:  Cím "},  // untrimmed
        {true, true, u"  ", u"Zenovia - Adó 1"},
        {true, false, u"Cím", u"Zenovia"},
        {false, true, u"Cím", u"Zenovia"},
        {false, false, u"Cím", u"Zenovia"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(windowCaption(row.playing, row.minimised, "Adó 1", QString::fromUtf16(row.title)),
                  QString::fromUtf16(row.caption));
    }
}

// 'T' a tick in trouble, '.' one without: the station is stopped on the fourth troubled tick
// in a row, and the count starts afresh after a clean tick and after the stop.
TEST(DisplayRules, FourthTroubledTickInARowStops) {
    const struct {
        const char* ticks;
        const char* stops;  // 'S' where tick() says stop
    } rows[] = {
        {"TTT", "..."},
        {"TTTT", "...S"},
        {"TTT.TTT", "......."},
        {"TTTTTTTT", "...S...S"},
    };
    for (const auto& row : rows) {
        zvengine::StallWatch watch;
        std::string stops;
        for (const char* tick = row.ticks; *tick != '\0'; ++tick) {
            stops += watch.tick(*tick == 'T') ? 'S' : '.';
        }
        EXPECT_EQ(stops, row.stops) << row.ticks;
    }
}

// A channel level splits into the left (low) and right (high) words, each put on the meters'
// 0..100 scale with halves to the even number.
TEST(AudioValues, LevelWordsGoOnTheMetersScale) {
    const struct {
        std::uint32_t level;
        int left;
        int right;
    } rows[] = {
        {0x80000000u + 16384u, 50, 100},   // full scale on the right
        {(4096u << 16) + 12288u, 38, 12},  // 37.5 and 12.5 go to the even neighbours
        {ZVA_LEVEL_NONE, 0, 0},            // a channel that stopped between two questions
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zvengine::meterLevel(zvengine::LowWord(row.level)), row.left) << row.level;
        EXPECT_EQ(zvengine::meterLevel(zvengine::HighWord(row.level)), row.right) << row.level;
    }
}

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
        const auto placed = zvlayout::layoutRow(row.frame, enabled);
        ASSERT_EQ(placed.size(), enabled.size());
        EXPECT_DOUBLE_EQ(placed[row.button].width, row.width);
        EXPECT_EQ(placed[row.button].left.has_value(), !std::isnan(row.left));
        if (placed[row.button].left) {
            EXPECT_DOUBLE_EQ(*placed[row.button].left, row.left);
        }
    }
    EXPECT_TRUE(zvlayout::layoutRow(8640, std::vector<bool>(7, false)).empty());
}

TEST(ButtonLayout, PixelConversionRoundsHalvesToEven) {
    EXPECT_EQ(zvlayout::twipsToPixels(22.5), 2);  // 1.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(37.5), 2);  // 2.5 pixels
    EXPECT_EQ(zvlayout::twipsToPixels(620), 41);
}
