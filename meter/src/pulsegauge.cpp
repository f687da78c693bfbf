#include "pulsegauge.h"

#include "clkdriver.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <string_view>

namespace {

using Type = PropertyBag::Type;
using Value = PropertyBag::Value;

// One key of the saved form. Booleans are -1 (True) and 0 (False).
struct SavedKey {
    const char* name;
    Type type;
    std::int32_t initial;  // what InitProperties gives a new meter
    std::int32_t saved;    // what an absent key reads as, and a written value left out when equal
    bool alwaysWritten;    // written whatever its value
};

// Every key of the saved form, in the order in which ReadProperties reads and WriteProperties
// writes them. A new meter's Level and MidLevel differ from their saved defaults, so an unchanged
// new meter still saves both.
constexpr SavedKey kSavedForm[] = {
    {"MaxLevel", Type::Long, 100, 100, false},
    {"Level", Type::Long, 100, 50, false},
    {"ShowPeak", Type::Boolean, -1, -1, false},
    {"BackColor", Type::Long, 0, 0, false},
    {"LowColor", Type::Long, 0xFF00, 0xFF00, false},
    {"MidColor", Type::Long, 0xFFFF, 0xFFFF, false},
    {"HiColor", Type::Long, 0xFF, 0xFF, false},
    {"HiLevel", Type::Long, 90, 90, false},
    {"MidLevel", Type::Long, 60, 50, false},
    {"Border", Type::Boolean, -1, -1, false},
    {"Horizontal", Type::Boolean, 0, 0, true},
    {"Reverse", Type::Boolean, 0, 0, true},
    {"PeakDelay", Type::Integer, 500, 500, true},
    {"Gradient", Type::Boolean, -1, -1, true},
    {"Solid", Type::Boolean, 0, 0, true},
};

// The row of `name`; a name without one does not compile.
consteval const SavedKey& key(std::string_view name) {
    for (const SavedKey& row : kSavedForm) {
        if (name == row.name) {
            return row;
        }
    }
    throw "not a key of the saved form";
}

// `number` as a value of `type`; an Integer keeps the low 16 bits.
Value typed(Type type, std::int32_t number) {
    switch (type) {
        case Type::Boolean:
            return Value::boolean(number != 0);
        case Type::Integer:
            return Value::integer(static_cast<std::int16_t>(number));
        case Type::Long:
            break;
    }
    return Value::longValue(number);
}

// The Button bits of a mouse event: 1 left, 2 right, 4 middle.
int buttonBits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

// The Shift bits of a mouse event: 1 Shift, 2 Ctrl, 4 Alt.
int shiftBits(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

}  // namespace

PulseGauge::PulseGauge(QWidget* parent) : QFrame(parent) {
    setMouseTracking(true);
    // The surface and the edge cover every pixel: nothing behind the meter needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PulseGauge::~PulseGauge() {
    stopClk();
}

PulseGauge* PulseGauge::fromText(QStringView savedText, QWidget* parent, QString* error) {
    const auto bag = PropertyBag::fromText(savedText, error);
    if (!bag) {
        return nullptr;
    }
    auto* gauge = new PulseGauge(parent);
    gauge->ReadProperties(*bag);
    return gauge;
}

void PulseGauge::InitProperties() {
    loading_ = true;
    setMaxLevel(key("MaxLevel").initial);
    setShowPeak(key("ShowPeak").initial != 0);
    setLevel(key("Level").initial);
    setBackColor(key("BackColor").initial);
    setLowColor(key("LowColor").initial);
    setMidColor(key("MidColor").initial);
    setHiColor(key("HiColor").initial);
    setHiLevel(key("HiLevel").initial);
    setMidLevel(key("MidLevel").initial);
    setPeakDelay(key("PeakDelay").initial);
    setBorder(key("Border").initial != 0);
    horizontal_ = key("Horizontal").initial != 0;
    setReverse(key("Reverse").initial != 0);
    setGradient(key("Gradient").initial != 0);
    setSolid(key("Solid").initial != 0);
    loading_ = false;
}

// The keys are read in this order on purpose: MaxLevel bounds everything after it, and HiLevel
// comes before MidLevel so that MidLevel is clamped against the loaded HiLevel.
void PulseGauge::ReadProperties(const PropertyBag& bag) {
    const auto read = [&bag](const SavedKey& row) {
        return bag.readProperty(row.name, typed(row.type, row.saved));
    };
    loading_ = true;
    setMaxLevel(read(key("MaxLevel")).toLong());
    setLevel(read(key("Level")).toLong());
    setShowPeak(read(key("ShowPeak")).toBool());
    setBackColor(read(key("BackColor")).toLong());
    setLowColor(read(key("LowColor")).toLong());
    setMidColor(read(key("MidColor")).toLong());
    setHiColor(read(key("HiColor")).toLong());
    setHiLevel(read(key("HiLevel")).toLong());
    setMidLevel(read(key("MidLevel")).toLong());
    setBorder(read(key("Border")).toBool());
    horizontal_ = read(key("Horizontal")).toBool();
    reverse_ = read(key("Reverse")).toBool();
    peakDelay_ = read(key("PeakDelay")).toInteger();
    gradient_ = read(key("Gradient")).toBool();
    solid_ = read(key("Solid")).toBool();
    loading_ = false;
    Resize();
}

void PulseGauge::WriteProperties(PropertyBag& bag) const {
    const auto write = [&bag](const SavedKey& row, std::int32_t number) {
        if (row.alwaysWritten) {
            bag.writeProperty(row.name, typed(row.type, number));
        } else {
            bag.writeProperty(row.name, typed(row.type, number), typed(row.type, row.saved));
        }
    };
    write(key("MaxLevel"), maxLevel_);
    write(key("Level"), level_);
    write(key("ShowPeak"), showPeak_);
    write(key("BackColor"), backColor_);
    write(key("LowColor"), lowColor_);
    write(key("MidColor"), midColor_);
    write(key("HiColor"), hiColor_);
    write(key("HiLevel"), hiLevel_);
    write(key("MidLevel"), midLevel_);
    write(key("Border"), Border());
    write(key("Horizontal"), horizontal_);
    write(key("Reverse"), reverse_);
    write(key("PeakDelay"), peakDelay_);
    write(key("Gradient"), gradient_);
    write(key("Solid"), solid_);
}

void PulseGauge::Resize() {
    Recalc();
}

void PulseGauge::Paint() {
    DrawMeter();
}

void PulseGauge::setLevel(int lvl) {
    if (lvl > maxLevel_) {
        lvl = maxLevel_;
    }
    if (lvl < 0) {
        lvl = 0;
    }
    level_ = lvl;
    // The marker first falls as far as it has fallen by now: a host that sets the level often
    // gets the bar and the marker in one repaint.
    runDueClkTicks();
    levelSetAt_.start();
    if (clkRunning_) {
        ClkDriver::instance().fed(this);
    }

    const int barBefore = levelPx_;
    const int peakBefore = peakPx_;
    const int newPx = pos(level_);
    if (newPx < peakPx_ && peakPx_ == levelPx_) {
        // The bar shrinks away from a marker that rode its end: the hold starts.
        holdMs_ = 0;
        if (showPeak_) {
            startClk();
        } else {
            stopClk();
        }
    }
    levelPx_ = newPx;
    if (levelPx_ > peakPx_) {
        peakPx_ = levelPx_;
        holdMs_ = 0;
        stopClk();
    }
    emit PropertyChanged(QStringLiteral("Level"));
    // A bar and a marker where they were paint the same pixels: a meter fed the same level
    // many times a second costs nothing.
    if (levelPx_ != barBefore || peakPx_ != peakBefore) {
        DrawMeter();
        update(contentsRect());
    }
}

void PulseGauge::setMidLevel(int lvl) {
    if (lvl >= hiLevel_) {
        lvl = hiLevel_ - 1;
    }
    if (lvl <= 0) {
        lvl = 1;
    }
    midLevel_ = lvl;
    emit PropertyChanged(QStringLiteral("MidLevel"));
    Recalc();
}

void PulseGauge::setHiLevel(int lvl) {
    if (lvl > maxLevel_) {
        lvl = maxLevel_;
    }
    if (lvl < midLevel_) {
        lvl = midLevel_ + 1;
    }
    hiLevel_ = lvl;
    emit PropertyChanged(QStringLiteral("HiLevel"));
    Recalc();
}

void PulseGauge::setMaxLevel(int lvl) {
    lvl = std::clamp(lvl, 10, 10000);
    if (lvl < hiLevel_) {
        hiLevel_ = lvl - 1;
    }
    if (hiLevel_ < midLevel_) {
        midLevel_ = hiLevel_ - 1;
    }
    maxLevel_ = lvl;
    if (lvl < level_) {
        setLevel(lvl);
    }
    emit PropertyChanged(QStringLiteral("MaxLevel"));
    emit PropertyChanged(QStringLiteral("HiLevel"));
    emit PropertyChanged(QStringLiteral("MidLevel"));
    emit PropertyChanged(QStringLiteral("Level"));
    clearSurface();
    Recalc();
}

void PulseGauge::setShowPeak(bool Pk) {
    showPeak_ = Pk;
    if (Pk) {
        startClk();
    } else {
        stopClk();
    }
    emit PropertyChanged(QStringLiteral("ShowPeak"));
    DrawMeter();
    update();
}

void PulseGauge::setBackColor(qint32 BckCol) {
    backColor_ = BckCol;
    emit PropertyChanged(QStringLiteral("BackColor"));
    DrawMeter();
    update();
}

void PulseGauge::setZoneColor(qint32 value, qint32& color, std::array<int, 3>& rgb,
                              const QString& name) {
    // A negative zone colour is ignored without a trace: nothing stored, notified or drawn.
    if (value < 0) {
        return;
    }
    color = value;
    rgb = {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF};
    emit PropertyChanged(name);
    DrawMeter();
    update();
}

void PulseGauge::setLowColor(qint32 LowCol) {
    setZoneColor(LowCol, lowColor_, lowRgb_, QStringLiteral("LowColor"));
}

void PulseGauge::setMidColor(qint32 MidCol) {
    setZoneColor(MidCol, midColor_, midRgb_, QStringLiteral("MidColor"));
}

void PulseGauge::setHiColor(qint32 HiCol) {
    setZoneColor(HiCol, hiColor_, hiRgb_, QStringLiteral("HiColor"));
}

bool PulseGauge::Border() const {
    return frameStyle() == (QFrame::Panel | QFrame::Sunken);
}

void PulseGauge::setBorder(bool BrdS) {
    const QSize before = contentsRect().size();
    setFrameStyle(BrdS ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
    setLineWidth(1);
    if (contentsRect().size() != before) {
        Resize();
    }
    emit PropertyChanged(QStringLiteral("Border"));
}

void PulseGauge::setGradient(bool nGrad) {
    gradient_ = nGrad;
    emit PropertyChanged(QStringLiteral("Gradient"));
    DrawMeter();
    update();
}

void PulseGauge::setPeakDelay(int pDel) {
    peakDelay_ = std::clamp(pDel, 0, 5000);
    emit PropertyChanged(QStringLiteral("PeakDelay"));
}

void PulseGauge::setReverse(bool NHr) {
    reverse_ = NHr;
    emit PropertyChanged(QStringLiteral("Reverse"));
    clearSurface();
    DrawMeter();
    update();
}

void PulseGauge::setHorizontal(bool NHr) {
    horizontal_ = NHr;
    emit PropertyChanged(QStringLiteral("Horizontal"));
    resize(height(), width());
    Recalc();
}

void PulseGauge::setSolid(bool NSld) {
    solid_ = NSld;
    emit PropertyChanged(QStringLiteral("Solid"));
    DrawMeter();
    update();
}

// The bar and the marker keep the surface current and ask for the inner area only, which needs
// nothing but the surface put on the screen; any other repaint (the window shown or uncovered)
// draws everything afresh.
void PulseGauge::paintEvent(QPaintEvent* event) {
    const bool surfaceOnly = contentsRect().contains(event->rect());
    if (!surfaceOnly) {
        Paint();
    }
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), surface_);
    if (!surfaceOnly) {
        drawFrame(&painter);
    }
}

void PulseGauge::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Resize();
}

void PulseGauge::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        clickPending_ = true;
    }
    const QPointF at = event->position();
    emit MouseDown(buttonBits(event->button()), shiftBits(event->modifiers()), at.x(), at.y());
}

void PulseGauge::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseUp(buttonBits(event->button()), shiftBits(event->modifiers()), at.x(), at.y());
    if (event->button() == Qt::LeftButton && clickPending_) {
        clickPending_ = false;
        if (rect().contains(at.toPoint())) {
            emit Click();
        }
    }
}

// The second press of a double click raises DblClick, and its release raises no Click.
void PulseGauge::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        clickPending_ = false;
        emit DblClick();
    }
}

void PulseGauge::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(buttonBits(event->buttons()), shiftBits(event->modifiers()), at.x(), at.y());
}
