// The clock behind every meter's Clk: it wakes every 100 ms while the marker of at least one
// meter holds or falls, and lets each of those meters that no host has set a level on since
// the last wake run the ticks due since its Clk started. The meters of a window so fall
// together and are repainted in one pass, and meters fed levels by a timer of their host are
// repainted only with those levels.
//
// Thread contract: GUI thread only, like the meters.
#ifndef PULSEBAR_CLKDRIVER_H
#define PULSEBAR_CLKDRIVER_H

#include <QObject>
#include <QTimer>
#include <vector>

class PulseGauge;

class ClkDriver : public QObject {
public:
    static ClkDriver& instance();

    void start(PulseGauge* gauge);
    void stop(PulseGauge* gauge);
    // A host has just set a level on `gauge`: while every running meter is fed like that, the
    // next wake is put off, so the clock does not wake between the host's levels at all.
    void fed(PulseGauge* gauge);

private:
    explicit ClkDriver(QObject* parent);
    void wake();

    QTimer timer_;
    std::vector<PulseGauge*> gauges_;  // the meters whose Clk runs
};

#endif
