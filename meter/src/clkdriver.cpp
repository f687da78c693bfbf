#include "clkdriver.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

#include "pulsegauge.h"

namespace {

// Longer than a host's usual interval between two levels (the receiver's 90 ms), so that a meter
// fed levels is repainted with them and never in between.
constexpr int kWakeMs = 100;

}  // namespace

ClkDriver& ClkDriver::instance() {
    // Owned by the application, so it goes before the application does.
    static QPointer<ClkDriver> driver;
    if (driver == nullptr) {
        driver = new ClkDriver(QCoreApplication::instance());
    }
    return *driver;
}

ClkDriver::ClkDriver(QObject* parent) : QObject(parent) {
    timer_.setInterval(kWakeMs);
    connect(&timer_, &QTimer::timeout, this, &ClkDriver::wake);
}

void ClkDriver::start(PulseGauge* gauge) {
    if (std::find(gauges_.begin(), gauges_.end(), gauge) == gauges_.end()) {
        gauges_.push_back(gauge);
    }
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void ClkDriver::stop(PulseGauge* gauge) {
    gauges_.erase(std::remove(gauges_.begin(), gauges_.end(), gauge), gauges_.end());
    if (gauges_.empty()) {
        timer_.stop();
    }
}

void ClkDriver::fed(PulseGauge* gauge) {
    if (!timer_.isActive()) {
        return;
    }
    const bool allFed = std::all_of(gauges_.begin(), gauges_.end(), [gauge](PulseGauge* g) {
        return g == gauge || (g->levelSetAt_.isValid() && g->levelSetAt_.elapsed() < kWakeMs);
    });
    if (allFed) {
        timer_.start();
    }
}

void ClkDriver::wake() {
    // A meter whose marker meets its bar leaves the list while the pass runs.
    const std::vector<PulseGauge*> running = gauges_;
    for (PulseGauge* gauge : running) {
        gauge->ClkWake(kWakeMs);
    }
}
