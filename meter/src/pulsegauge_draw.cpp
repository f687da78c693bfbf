// The inside of PulseGauge: values to pixel positions, the bar's lines and colours, the peak
// marker and its fall under Clk.

#include <QPalette>
#include <algorithm>
#include <cmath>

#include "clkdriver.h"
#include "pulsegauge.h"

namespace {

// The nearest integer, ties to the even one (4.5 gives 4, 127.5 gives 128).
int nearest(double x) {
    return static_cast<int>(std::nearbyint(x));
}

// The palette role that stands for a system colour number (the low byte of a colour value with
// the top bit set).
QPalette::ColorRole systemColorRole(int index) {
    switch (index) {
        case 5:
            return QPalette::Base;
        case 8:
            return QPalette::Text;
        case 13:
            return QPalette::Highlight;
        case 14:
            return QPalette::HighlightedText;
        case 15:
            return QPalette::Button;
        case 16:
            return QPalette::Dark;
        case 18:
            return QPalette::ButtonText;
        case 20:
            return QPalette::Light;
        case 21:
            return QPalette::Shadow;
        default:
            return QPalette::Window;
    }
}

}  // namespace

// pos(v): v * E / MaxLevel to the nearest pixel; E is the last pixel along the bar axis.
int PulseGauge::pos(int value) const {
    const int extent = horizontal_ ? lastX_ : lastY_;
    return nearest(static_cast<double>(static_cast<std::int64_t>(value) * extent) / maxLevel_);
}

void PulseGauge::Recalc() {
    const QSize inner = contentsRect().size().expandedTo(QSize(0, 0));
    if (surface_.size() != inner) {
        surface_ = inner.isEmpty() ? QImage() : QImage(inner, QImage::Format_RGB32);
    }
    lastY_ = inner.height() - 1;
    lastX_ = inner.width() - 1;
    levelPx_ = pos(level_);
    midPx_ = pos(midLevel_);
    hiPx_ = pos(hiLevel_);
    // The marker drops to the bar; a running Clk stops on its next tick.
    peakPx_ = levelPx_;
    holdMs_ = 0;
    clearSurface();
    DrawMeter();
    update();
}

// Repaints every position, bar and background. In striped mode position 0 and every even
// position are background; a bar of levelPx_ 0 shows nothing even when solid.
void PulseGauge::DrawMeter() {
    if (loading_ || surface_.isNull()) {
        return;
    }
    bool stripeOn = solid_;
    const int extent = horizontal_ ? lastX_ : lastY_;
    for (int p = 0; p <= extent; ++p) {
        if (p <= levelPx_) {
            PickColor(p);
        } else {
            penColor_ = backColor_;
        }
        if (levelPx_ == 0 || !stripeOn) {
            penColor_ = backColor_;
        }
        drawLine(p, penColor_);
        if (!solid_) {
            stripeOn = !stripeOn;
        }
    }
    if (peakPx_ > levelPx_ && showPeak_) {
        DrawPeak();
    }
}

void PulseGauge::PickColor(int p) {
    const double at = static_cast<float>(p);
    if (!gradient_) {
        penColor_ = lowColor_;
        if (p >= midPx_) {
            penColor_ = midColor_;
        }
        if (p >= hiPx_) {
            penColor_ = hiColor_;
        }
        return;
    }
    std::array<int, 3> rgb{};
    if (p < midPx_) {
        for (int c = 2; c >= 0; --c) {
            rgb[c] = nearest(at / midPx_ * (midRgb_[c] - lowRgb_[c]) + lowRgb_[c]);
        }
    } else if (p > hiPx_ || midPx_ == hiPx_) {
        // A zero-length middle segment takes the zone rule's colour at its only position.
        penColor_ = hiColor_;
        return;
    } else {
        for (int c = 2; c >= 0; --c) {
            rgb[c] =
                nearest((at - midPx_) / (hiPx_ - midPx_) * (hiRgb_[c] - midRgb_[c]) + midRgb_[c]);
        }
    }
    penColor_ = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

// The marker takes the bar's colour at its position, whatever the striping, and wipes the line
// beyond it, where it stood before a one-pixel fall.
void PulseGauge::DrawPeak() {
    if (surface_.isNull()) {
        return;
    }
    PickColor(peakPx_);
    if (peakPx_ == 0) {
        penColor_ = backColor_;
    }
    drawLine(peakPx_, penColor_);
    drawLine(peakPx_ + 1, backColor_);
}

void PulseGauge::startClk() {
    clkSince_.start();
    clkTicksRun_ = 0;
    clkRunning_ = true;
    ClkDriver::instance().start(this);
}

void PulseGauge::stopClk() {
    if (clkRunning_) {
        clkRunning_ = false;
        ClkDriver::instance().stop(this);
    }
}

// The ticks that fell due since Clk started, however late: the marker holds and falls in real
// time, and is repainted once for all of them.
void PulseGauge::runDueClkTicks() {
    const qint64 due = clkSince_.isValid() ? clkSince_.elapsed() / kClkTickMs : 0;
    while (clkTicksRun_ < due && clkRunning_) {
        ClkTick();
    }
}

// A meter whose level was set since the last wake was brought up to date then.
void PulseGauge::ClkWake(int wakeMs) {
    if (!levelSetAt_.isValid() || levelSetAt_.elapsed() >= wakeMs) {
        runDueClkTicks();
    }
}

// The marker holds for max(1, ceil(PeakDelay / 10)) ticks, counted from the start of the hold,
// then falls one pixel per tick until it meets the bar, where Clk stops.
void PulseGauge::ClkTick() {
    ++clkTicksRun_;
    const int peakBefore = peakPx_;
    if (holdMs_ < peakDelay_) {
        holdMs_ += 10;
    }
    if (holdMs_ >= peakDelay_ && peakPx_ > levelPx_) {
        --peakPx_;
    }
    if (peakPx_ == levelPx_) {
        stopClk();
    }
    // While the marker holds, it stays drawn where it is.
    if (peakPx_ != peakBefore) {
        DrawPeak();
        update(contentsRect());
    }
}

// One line across the bar for position p; a line outside the surface draws nothing.
void PulseGauge::drawLine(int p, qint32 color) {
    const QRgb rgb = toRgb(color);
    if (horizontal_) {
        const int x = reverse_ ? lastX_ - p : p;
        if (x < 0 || x >= surface_.width()) {
            return;
        }
        const int rows = std::min(lastY_ + 1, surface_.height());
        const qsizetype stride = surface_.bytesPerLine();
        uchar* column = surface_.bits() + qsizetype(x) * sizeof(QRgb);
        for (int y = 0; y < rows; ++y, column += stride) {
            *reinterpret_cast<QRgb*>(column) = rgb;
        }
    } else {
        const int y = reverse_ ? p : lastY_ - p;
        if (y < 0 || y >= surface_.height()) {
            return;
        }
        auto* row = reinterpret_cast<QRgb*>(surface_.scanLine(y));
        std::fill(row, row + std::min(lastX_ + 1, surface_.width()), rgb);
    }
}

void PulseGauge::clearSurface() {
    surface_.fill(toRgb(backColor_));
}

QRgb PulseGauge::toRgb(qint32 color) const {
    if (color < 0) {
        return palette().color(systemColorRole(color & 0xFF)).rgb();
    }
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}
