// The rules behind the live display: the task-bar caption and the watch over a station in
// trouble.
#include "engine/streamwatch.h"
#include "ui/windowcaption.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace
