// pulsebar_gallery OUT.png: renders a sheet of PulseGauge meters (both axes, both directions,
// zone and gradient colours, solid and striped, held and falling peak markers) into a PNG.
// Each meter is drawn at its real pixel size and shown enlarged without smoothing.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <functional>
#include <vector>

#include "pulsegauge.h"

namespace {

constexpr int kScale = 3;
constexpr int kMargin = 24;
const QColor kSheet(0x1d, 0x21, 0x26);
const QColor kText(0xd8, 0xdd, 0xe3);
const QColor kDim(0x8a, 0x93, 0x9d);

struct Sample {
    QString caption;
    QSize outer;  // the meter's outer size in pixels
    std::function<void(PulseGauge&)> setup;
};

// Sets `level` after `peak`, so that the marker holds at the peak, then lets `ticks` ticks of
// the peak timer pass.
void peakAt(PulseGauge& gauge, int peak, int level, int ticks = 0) {
    gauge.setLevel(peak);
    gauge.setLevel(level);
    for (int i = 0; i < ticks; ++i) {
        gauge.ClkTick();
    }
}

QImage render(const Sample& sample) {
    PulseGauge gauge;
    gauge.InitProperties();
    gauge.setLevel(0);  // the first resize puts the marker on the empty bar
    gauge.setAttribute(Qt::WA_DontShowOnScreen);
    gauge.resize(sample.outer);
    gauge.show();
    sample.setup(gauge);
    return gauge.grab().toImage();
}

// Draws a row of samples from `top` and answers the height it took.
int drawRow(QPainter& painter, int top, const QString& title, const std::vector<Sample>& row,
            int columnWidth) {
    painter.setPen(kText);
    painter.setFont(QFont("DejaVu Sans", 13, QFont::Bold));
    painter.drawText(kMargin, top + 16, title);
    top += 30;
    int height = 0;
    int x = kMargin;
    painter.setFont(QFont("DejaVu Sans", 9));
    for (const Sample& sample : row) {
        const QImage image = render(sample);
        const QRect target(x, top, image.width() * kScale, image.height() * kScale);
        painter.drawImage(target, image);
        const int width = std::max(columnWidth, target.width());
        const QRect caption(x - 8, target.bottom() + 6, width + 16, 48);
        painter.setPen(kDim);
        painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         sample.caption);
        height = std::max(height, target.height() + 54);
        x += width + 20;
    }
    return 30 + height;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: pulsebar_gallery OUT.png\n";
        return 2;
    }

    const QSize tall(11, 129);
    const std::vector<Sample> vertical = {
        {"gradient\nstriped\n25", tall, [](PulseGauge& g) { g.setLevel(25); }},
        {"gradient\nstriped\n55, peak 80", tall, [](PulseGauge& g) { peakAt(g, 80, 55); }},
        {"gradient\nstriped\n70, falling", tall, [](PulseGauge& g) { peakAt(g, 100, 70, 60); }},
        {"gradient\nsolid\n95", tall,
         [](PulseGauge& g) {
             g.setSolid(true);
             g.setLevel(95);
         }},
        {"zones\nstriped\n85", tall,
         [](PulseGauge& g) {
             g.setGradient(false);
             peakAt(g, 97, 85);
         }},
        {"zones\nsolid\n65, peak 75", tall,
         [](PulseGauge& g) {
             g.setGradient(false);
             g.setSolid(true);
             peakAt(g, 75, 65);
         }},
        {"reverse\nstriped\n60, peak 90", tall,
         [](PulseGauge& g) {
             g.setReverse(true);
             peakAt(g, 90, 60);
         }},
        {"no border\nsolid\n40", tall,
         [](PulseGauge& g) {
             g.setBorder(false);
             g.setSolid(true);
             g.setLevel(40);
         }},
        {"saved form of\nthe player's\nmeters, 45", tall,
         [](PulseGauge& g) {
             g.ReadProperties(
                 *PropertyBag::fromText(u"level: Long = 0\n"
                                        u"midlevel: Long = 60\n"
                                        u"horizontal: Boolean = False\n"
                                        u"reverse: Boolean = False\n"
                                        u"peakdelay: Integer = 1000\n"
                                        u"gradient: Boolean = True\n"
                                        u"solid: Boolean = False\n"));
             peakAt(g, 88, 45);
         }},
        {"own colours\nsolid\n75, peak 95", tall,
         [](PulseGauge& g) {
             g.setBackColor(0x301810);
             g.setLowColor(0x7F3F00);
             g.setMidColor(0xFFBF00);
             g.setHiColor(0xFFFFFF);
             g.setSolid(true);
             peakAt(g, 95, 75);
         }},
    };
    // Created upright; setting Horizontal turns the meter on its side.
    const QSize wide(13, 260);
    const std::vector<Sample> horizontal = {
        {"gradient, striped, 80, peak 95", wide,
         [](PulseGauge& g) {
             g.setHorizontal(true);
             peakAt(g, 95, 80);
         }},
        {"zones, solid, 60, peak 70", wide,
         [](PulseGauge& g) {
             g.setHorizontal(true);
             g.setGradient(false);
             g.setSolid(true);
             peakAt(g, 70, 60);
         }},
        {"reverse, gradient, solid, 50", wide,
         [](PulseGauge& g) {
             g.setHorizontal(true);
             g.setReverse(true);
             g.setSolid(true);
             g.setLevel(50);
         }},
    };

    const int columnWidth = 78;
    QImage sheet(kMargin * 2 + int(vertical.size()) * (columnWidth + 20) - 20, 900,
                 QImage::Format_RGB32);
    sheet.fill(kSheet);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    int top = kMargin;
    top += drawRow(painter, top, "Vertical meters, 11 × 129 pixels, shown three times enlarged",
                   vertical, columnWidth);
    top += 10;
    painter.setPen(kText);
    painter.setFont(QFont("DejaVu Sans", 13, QFont::Bold));
    painter.drawText(kMargin, top + 16, "Horizontal meters, 260 × 13 pixels, also enlarged");
    top += 30;
    painter.setFont(QFont("DejaVu Sans", 9));
    int left = kMargin;
    for (const Sample& sample : horizontal) {
        const QImage image = render(sample);
        const QRect target(left, top, image.width() * kScale, image.height() * kScale);
        painter.drawImage(target, image);
        painter.setPen(kDim);
        painter.drawText(QRect(left, target.bottom() + 6, target.width(), 20),
                         Qt::AlignLeft | Qt::AlignTop, sample.caption);
        left += target.width() + 24;
        if (left + target.width() > sheet.width()) {
            left = kMargin;
            top += target.height() + 36;
        }
    }
    painter.end();
    const QImage result = sheet.copy(0, 0, sheet.width(), top + kMargin);
    if (!result.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        QTextStream(stderr) << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
