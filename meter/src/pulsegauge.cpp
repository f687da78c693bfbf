#include "pulsegauge.h"

#include "clkdriver.h"

#include <QMetaProperty>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

using Value = PropertyBag::Value;

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
    setMaxLevel(100);
    setShowPeak(true);
    setLevel(100);
    setBackColor(0);
    setLowColor(0xFF00);
    setMidColor(0xFFFF);
    setHiColor(0xFF);
    setHiLevel(90);
    setMidLevel(60);
    setPeakDelay(500);
    setBorder(true);
    horizontal_ = false;
    setReverse(false);
    setGradient(true);
    setSolid(false);
    loading_ = false;
}

// The keys are read in this order on purpose: MaxLevel bounds everything after it, and HiLevel
// comes before MidLevel so that MidLevel is clamped against the loaded HiLevel.
void PulseGauge::ReadProperties(const PropertyBag& bag) {
    loading_ = true;
    setMaxLevel(bag.readProperty("MaxLevel", Value::longValue(100)).toLong());
    setLevel(bag.readProperty("Level", Value::longValue(50)).toLong());
    setShowPeak(bag.readProperty("ShowPeak", Value::boolean(true)).toBool());
    setBackColor(bag.readProperty("BackColor", Value::longValue(0)).toLong());
    setLowColor(bag.readProperty("LowColor", Value::longValue(0xFF00)).toLong());
    setMidColor(bag.readProperty("MidColor", Value::longValue(0xFFFF)).toLong());
    setHiColor(bag.readProperty("HiColor", Value::longValue(0xFF)).toLong());
    setHiLevel(bag.readProperty("HiLevel", Value::longValue(90)).toLong());
    setMidLevel(bag.readProperty("MidLevel", Value::longValue(50)).toLong());
    setBorder(bag.readProperty("Border", Value::boolean(true)).toBool());
    horizontal_ = bag.readProperty("Horizontal", Value::boolean(false)).toBool();
    reverse_ = bag.readProperty("Reverse", Value::boolean(false)).toBool();
    peakDelay_ = bag.readProperty("PeakDelay", Value::integer(500)).toInteger();
    gradient_ = bag.readProperty("Gradient", Value::boolean(true)).toBool();
    solid_ = bag.readProperty("Solid", Value::boolean(false)).toBool();
    loading_ = false;
    Resize();
}

void PulseGauge::WriteProperties(PropertyBag& bag) const {
    bag.writeProperty("MaxLevel", Value::longValue(maxLevel_), Value::longValue(100));
    bag.writeProperty("Level", Value::longValue(level_), Value::longValue(50));
    bag.writeProperty("ShowPeak", Value::boolean(showPeak_), Value::boolean(true));
    bag.writeProperty("BackColor", Value::longValue(backColor_), Value::longValue(0));
    bag.writeProperty("LowColor", Value::longValue(lowColor_), Value::longValue(0xFF00));
    bag.writeProperty("MidColor", Value::longValue(midColor_), Value::longValue(0xFFFF));
    bag.writeProperty("HiColor", Value::longValue(hiColor_), Value::longValue(0xFF));
    bag.writeProperty("HiLevel", Value::longValue(hiLevel_), Value::longValue(90));
    bag.writeProperty("MidLevel", Value::longValue(midLevel_), Value::longValue(50));
    bag.writeProperty("Border", Value::boolean(Border()), Value::boolean(true));
    bag.writeProperty("Horizontal", Value::boolean(horizontal_));
    bag.writeProperty("Reverse", Value::boolean(reverse_));
    bag.writeProperty("PeakDelay", Value::integer(static_cast<std::int16_t>(peakDelay_)));
    bag.writeProperty("Gradient", Value::boolean(gradient_));
    bag.writeProperty("Solid", Value::boolean(solid_));
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

QVariant PulseGauge::getByDispId(std::int32_t dispId) const {
    const auto* info = std::find_if(kProperties.begin(), kProperties.end(),
                                    [dispId](const PropertyInfo& p) { return p.dispId == dispId; });
    return info == kProperties.end() ? QVariant() : property(info->name);
}

bool PulseGauge::setByDispId(std::int32_t dispId, const QVariant& value) {
    const auto* info = std::find_if(kProperties.begin(), kProperties.end(),
                                    [dispId](const PropertyInfo& p) { return p.dispId == dispId; });
    if (info == kProperties.end()) {
        return false;
    }
    // The meta-object's index of every property, looked up once: a host may set Level by its
    // identifier many times a second.
    static const std::array<int, kProperties.size()> metaIndex = [] {
        std::array<int, kProperties.size()> index{};
        for (std::size_t i = 0; i < kProperties.size(); ++i) {
            index[i] = staticMetaObject.indexOfProperty(kProperties[i].name);
        }
        return index;
    }();
    const QMetaProperty meta =
        staticMetaObject.property(metaIndex[static_cast<std::size_t>(info - kProperties.begin())]);
    QVariant converted = value;
    if (!converted.convert(meta.metaType())) {
        return false;
    }
    return meta.write(this, converted);
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
