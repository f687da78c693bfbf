#include <gtest/gtest.h>

#include <QTest>

#include <functional>

#include "gaugetestsupport.h"

namespace {

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

}  // namespace

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

namespace {

struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
    bool painted = false;
};

}  // namespace

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
