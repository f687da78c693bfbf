// Helpers shared by the PulseGauge tests: building a meter of a given inner size and reading
// the colour of one bar line from its drawing surface.
#ifndef ZENOVIA_TESTS_METER_GAUGETESTSUPPORT_H
#define ZENOVIA_TESTS_METER_GAUGETESTSUPPORT_H

#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "pulsegauge.h"

// A new meter (InitProperties) with a border and an inner area of `innerWidth` x `innerHeight`
// pixels, resized as its host would.
inline std::unique_ptr<PulseGauge> makeGauge(int innerWidth, int innerHeight) {
    auto gauge = std::make_unique<PulseGauge>();
    gauge->InitProperties();
    gauge->resize(innerWidth + 2, innerHeight + 2);
    gauge->Resize();
    return gauge;
}

// A pixel of the surface as 0x00BBGGRR.
inline qint32 colorAt(const QImage& surface, int x, int y) {
    const QRgb rgb = surface.pixel(x, y);
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

// The colour of the whole line drawn for position p, or nothing when the line is not one colour.
inline std::optional<qint32> lineColor(const PulseGauge& gauge, int p) {
    const QImage& s = gauge.surface();
    const bool horizontal = gauge.Horizontal();
    const int fixed = horizontal ? (gauge.Reverse() ? gauge.lastX() - p : p)
                                 : (gauge.Reverse() ? p : gauge.lastY() - p);
    const int length = horizontal ? s.height() : s.width();
    const qint32 first = horizontal ? colorAt(s, fixed, 0) : colorAt(s, 0, fixed);
    for (int i = 1; i < length; ++i) {
        if ((horizontal ? colorAt(s, fixed, i) : colorAt(s, i, fixed)) != first) {
            return std::nullopt;
        }
    }
    return first;
}

// The colour of every line, position 0 first.
inline std::vector<std::optional<qint32>> lineColors(const PulseGauge& gauge) {
    std::vector<std::optional<qint32>> lines;
    for (int p = 0; p <= (gauge.Horizontal() ? gauge.lastX() : gauge.lastY()); ++p) {
        lines.push_back(lineColor(gauge, p));
    }
    return lines;
}

#endif
