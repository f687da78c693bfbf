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
        ASSERT_FALSE(gauge->isClkActive());
        gauge->setLevel(20);
        EXPECT_EQ(gauge->peakPx(), 100);
        EXPECT_TRUE(gauge->isClkActive()) << delay;
        EXPECT_EQ(ticksUntilFall(*gauge, 100, 1000), ticks) << delay;
        EXPECT_EQ(gauge->peakPx(), 99);
    }
}

TEST(PulseGaugePeak, MarkerFallsOnePixelPerTickAndStopsAtTheBar) {
    auto gauge = fullMeter(500);
    gauge->setLevel(20);
    EXPECT_EQ(lineColor(*gauge, 100), 0xFF);  // the held marker in the bar's colour there
    EXPECT_EQ(lineColor(*gauge, 99), 0);
    EXPECT_EQ(lineColor(*gauge, 21), 0);
    EXPECT_EQ(lineColor(*gauge, 20), 0xFF00);

    ASSERT_EQ(ticksUntilFall(*gauge, 100, 100), 50);
    EXPECT_EQ(lineColor(*gauge, 99), 0xFF);
    EXPECT_EQ(lineColor(*gauge, 100), 0);  // wiped
    for (int expected = 98; expected >= 21; --expected) {
        gauge->ClkTick();
        ASSERT_EQ(gauge->peakPx(), expected);
        ASSERT_TRUE(gauge->isClkActive());
    }
    EXPECT_EQ(lineColor(*gauge, 21), 0xFF00);
    EXPECT_EQ(lineColor(*gauge, 22), 0);
    gauge->ClkTick();  // meets the bar
    EXPECT_EQ(gauge->peakPx(), 20);
    EXPECT_FALSE(gauge->isClkActive());
    EXPECT_EQ(lineColor(*gauge, 21), 0);
    EXPECT_EQ(lineColor(*gauge, 20), 0xFF00);
}

TEST(PulseGaugePeak, RisingLevelTakesTheMarkerAlong) {
    auto gauge = fullMeter(0);
    gauge->setLevel(20);
    for (int i = 0; i < 30; ++i) {
        gauge->ClkTick();
    }
    ASSERT_EQ(gauge->peakPx(), 70);
    gauge->setLevel(50);  // below the falling marker: marker and timer go on
    EXPECT_EQ(gauge->peakPx(), 70);
    EXPECT_TRUE(gauge->isClkActive());
    gauge->setLevel(80);  // above it: the marker jumps to the bar end, the timer stops
    EXPECT_EQ(gauge->peakPx(), 80);
    EXPECT_EQ(gauge->holdMs(), 0);
    EXPECT_FALSE(gauge->isClkActive());
    EXPECT_EQ(lineColor(*gauge, 70), 0xFFFF);
}

TEST(PulseGaugePeak, LowerLevelWhileHoldingKeepsTheHold) {
    auto gauge = fullMeter(500);
    gauge->setLevel(60);
    for (int i = 0; i < 30; ++i) {
        gauge->ClkTick();
    }
    gauge->setLevel(40);
    EXPECT_EQ(gauge->holdMs(), 300);
    EXPECT_EQ(ticksUntilFall(*gauge, 100, 100), 20);
}

TEST(PulseGaugePeak, RecalcDropsTheMarker) {
    auto gauge = fullMeter(500);
    gauge->setLevel(30);
    gauge->ClkTick();
    gauge->setMidLevel(50);
    EXPECT_EQ(gauge->peakPx(), 30);
    EXPECT_EQ(gauge->holdMs(), 0);
    EXPECT_EQ(lineColor(*gauge, 100), 0);
    EXPECT_TRUE(gauge->isClkActive());  // stops on its next tick
    gauge->ClkTick();
    EXPECT_FALSE(gauge->isClkActive());

    gauge->setLevel(100);
    gauge->setLevel(30);
    gauge->setHiLevel(95);
    EXPECT_EQ(gauge->peakPx(), 30);
}

TEST(PulseGaugePeak, HiddenMarkerIsTrackedButNotDrawn) {
    auto gauge = fullMeter(0);
    gauge->setShowPeak(false);
    gauge->setLevel(20);
    EXPECT_EQ(gauge->peakPx(), 100);
    EXPECT_FALSE(gauge->isClkActive());
    EXPECT_EQ(lineColor(*gauge, 100), 0);
    gauge->setShowPeak(true);  // the stranded marker is shown and falls
    EXPECT_EQ(lineColor(*gauge, 100), 0xFF);
    EXPECT_TRUE(gauge->isClkActive());
    EXPECT_EQ(ticksUntilFall(*gauge, 100, 5), 1);
}

TEST(PulseGaugePeak, ReverseWipesTheRowBelowTheMarker) {
    auto gauge = fullMeter(0);
    gauge->setReverse(true);
    gauge->setLevel(10);
    EXPECT_EQ(colorAt(gauge->surface(), 0, 100), 0xFF);
    gauge->ClkTick();
    EXPECT_EQ(colorAt(gauge->surface(), 0, 99), 0xFF);
    EXPECT_EQ(colorAt(gauge->surface(), 0, 100), 0);

    // At the far end the wipe line lies outside the surface.
    gauge->setLevel(100);
    EXPECT_EQ(gauge->peakPx(), 100);
    gauge->setShowPeak(true);
    gauge->ClkTick();
    EXPECT_EQ(colorAt(gauge->surface(), 0, 100), 0xFF);
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
