// PulseGauge: a bar-graph level meter widget.
//
// The meter shows `Level` (0..`MaxLevel`) as a bar of one-pixel lines across its inner area,
// vertical or horizontal and growing from either end. The lines are coloured by three zones
// (below `MidLevel`, up to `HiLevel`, above) or by a gradient through the three zone colours, and
// drawn solid or striped (a one-pixel gap after every line). A peak marker stays at the highest
// recent position for `PeakDelay` milliseconds and then falls back one pixel per 10 ms tick of
// the timer `Clk` until it meets the bar. The ticks run in real time but are repainted
// together: whenever Level is set, and otherwise every 100 ms, at once for all meters.
//
// Creating a meter: construct it (`Initialize`), then either call InitProperties() for a new
// meter with the default properties or ReadProperties() with saved design data (fromText()
// does both steps for the text form of a PropertyBag). Until one of the two has run, every
// property is 0/False except MaxLevel (100). WriteProperties() saves the meter again.
//
// Properties, in slot order (kSavedForm in pulsegauge.cpp holds what a new meter starts with and
// the defaults of the saved form):
//
//   Level       Integer  clamped to 0..MaxLevel
//   MidLevel    Integer  v >= HiLevel becomes HiLevel - 1, then v <= 0 becomes 1
//   HiLevel     Integer  v > MaxLevel becomes MaxLevel, then v < MidLevel becomes MidLevel + 1
//   MaxLevel    Integer  clamped to 10..10000; a smaller maximum lowers HiLevel to
//                        MaxLevel - 1, MidLevel below HiLevel and Level to MaxLevel, then
//                        notifies "MaxLevel", "HiLevel", "MidLevel", "Level" in that order
//   ShowPeak    Boolean  also starts (True) or stops (False) Clk
//   BackColor   Color    any value; one with the top bit set is a system colour
//   LowColor    Color    a negative value is ignored without a trace
//   MidColor    Color    a negative value is ignored without a trace
//   HiColor     Color    a negative value is ignored without a trace
//   Border      Boolean  a sunken one-pixel edge; it takes one pixel off every side of the
//                        inner area
//   Gradient    Boolean
//   PeakDelay   Integer  milliseconds, clamped to 0..5000 (loaded unclamped)
//   Reverse     Boolean
//   Horizontal  Boolean  setting it (to either value) swaps width and height
//   Solid       Boolean
//
// Colours are 0x00BBGGRR: red in the low byte. Every setter tells the host through
// PropertyChanged(name); setters of drawn properties redraw at once into the drawing surface,
// a backing image of the inner area that paintEvent puts on the screen.
//
// Thread contract: a PulseGauge is a widget; create it, call it and destroy it on the GUI
// thread only. Clk ticks arrive on that thread between other calls. Nothing is locked.
#ifndef PULSEBAR_PULSEGAUGE_H
#define PULSEBAR_PULSEGAUGE_H

#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

#include "propertybag.h"
#include "pulsebar_export.h"

class PULSEBAR_EXPORT PulseGauge : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int Level READ Level WRITE setLevel)
    Q_PROPERTY(int MidLevel READ MidLevel WRITE setMidLevel)
    Q_PROPERTY(int HiLevel READ HiLevel WRITE setHiLevel)
    Q_PROPERTY(int MaxLevel READ MaxLevel WRITE setMaxLevel)
    Q_PROPERTY(bool ShowPeak READ ShowPeak WRITE setShowPeak)
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(qint32 LowColor READ LowColor WRITE setLowColor)
    Q_PROPERTY(qint32 MidColor READ MidColor WRITE setMidColor)
    Q_PROPERTY(qint32 HiColor READ HiColor WRITE setHiColor)
    Q_PROPERTY(bool Border READ Border WRITE setBorder)
    Q_PROPERTY(bool Gradient READ Gradient WRITE setGradient)
    Q_PROPERTY(int PeakDelay READ PeakDelay WRITE setPeakDelay)
    Q_PROPERTY(bool Reverse READ Reverse WRITE setReverse)
    Q_PROPERTY(bool Horizontal READ Horizontal WRITE setHorizontal)
    Q_PROPERTY(bool Solid READ Solid WRITE setSolid)

public:
    // Initialize: a meter with every property 0/False but MaxLevel 100, Clk stopped.
    explicit PulseGauge(QWidget* parent = nullptr);
    ~PulseGauge() override;

    // A meter loaded from the text form of its saved PropertyBag (see propertybag.h), or
    // nullptr (and a message in *error) when the text does not parse.
    static PulseGauge* fromText(QStringView savedText, QWidget* parent = nullptr,
                                QString* error = nullptr);

    // Lifecycle operations of the hosting framework.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;
    void Resize();  // the inner area may have changed size: Recalc
    void Paint();   // the surface needs repainting: DrawMeter

    int Level() const { return level_; }
    void setLevel(int lvl);
    int MidLevel() const { return midLevel_; }
    void setMidLevel(int lvl);
    int HiLevel() const { return hiLevel_; }
    void setHiLevel(int lvl);
    int MaxLevel() const { return maxLevel_; }
    void setMaxLevel(int lvl);
    bool ShowPeak() const { return showPeak_; }
    void setShowPeak(bool Pk);
    qint32 BackColor() const { return backColor_; }
    void setBackColor(qint32 BckCol);
    qint32 LowColor() const { return lowColor_; }
    void setLowColor(qint32 LowCol);
    qint32 MidColor() const { return midColor_; }
    void setMidColor(qint32 MidCol);
    qint32 HiColor() const { return hiColor_; }
    void setHiColor(qint32 HiCol);
    bool Border() const;
    void setBorder(bool BrdS);
    bool Gradient() const { return gradient_; }
    void setGradient(bool nGrad);
    int PeakDelay() const { return peakDelay_; }
    void setPeakDelay(int pDel);
    bool Reverse() const { return reverse_; }
    void setReverse(bool NHr);
    bool Horizontal() const { return horizontal_; }
    void setHorizontal(bool NHr);
    bool Solid() const { return solid_; }
    void setSolid(bool NSld);

    // One tick of Clk: the hold count, the fall of the marker and its redraw. Clk runs one per
    // 10 ms while it runs; it may also be called directly.
    void ClkTick();
    bool isClkActive() const { return clkRunning_; }

    // Read-only views of the drawing state: the drawing surface (the inner area, without the
    // border), the last pixel column and row, and the pixel positions along the bar axis.
    const QImage& surface() const { return surface_; }
    int lastX() const { return lastX_; }
    int lastY() const { return lastY_; }
    int levelPx() const { return levelPx_; }
    int midPx() const { return midPx_; }
    int hiPx() const { return hiPx_; }
    int peakPx() const { return peakPx_; }
    int holdMs() const { return holdMs_; }

signals:
    // A property changed; `name` is its name.
    void PropertyChanged(const QString& name);

    // Mouse events on the meter. Button holds 1 (left), 2 (right) and 4 (middle), Shift holds
    // 1 (Shift), 2 (Ctrl) and 4 (Alt); X and Y are pixels from the outer top left corner.
    void Click();
    void DblClick();
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    friend class ClkDriver;
    static constexpr int kClkTickMs = 10;

    void startClk();
    void stopClk();
    void runDueClkTicks();
    void ClkWake(int wakeMs);
    void Recalc();
    void DrawMeter();
    void PickColor(int p);
    void DrawPeak();
    int pos(int value) const;
    void drawLine(int p, qint32 color);
    void clearSurface();
    QRgb toRgb(qint32 color) const;
    void setZoneColor(qint32 value, qint32& color, std::array<int, 3>& rgb, const QString& name);

    // Properties as stored; the four levels keep their clamped values.
    qint32 backColor_ = 0;  // the surface's background colour, also used for drawing
    qint32 lowColor_ = 0;
    qint32 midColor_ = 0;
    qint32 hiColor_ = 0;
    qint32 penColor_ = 0;  // the colour of the next line
    bool solid_ = false;
    // Red, green and blue of LowColor, MidColor and HiColor, split off when a colour is set.
    std::array<int, 3> lowRgb_{};
    std::array<int, 3> midRgb_{};
    std::array<int, 3> hiRgb_{};
    int midLevel_ = 0;
    int hiLevel_ = 0;
    int maxLevel_ = 100;  // never 0: every position divides by it
    int level_ = 0;
    // Pixel positions along the bar axis (0 = the bar's start, E = its far end).
    int midPx_ = 0;
    int hiPx_ = 0;
    int levelPx_ = 0;
    int peakPx_ = 0;  // never below levelPx_; equal to it while the marker rides the bar end
    int holdMs_ = 0;  // peak hold count, in steps of 10
    int lastY_ = 0;
    int lastX_ = 0;
    bool showPeak_ = false;
    bool horizontal_ = false;
    bool reverse_ = false;
    int peakDelay_ = 0;
    bool gradient_ = false;
    bool loading_ = false;       // while set, DrawMeter draws nothing
    bool clickPending_ = false;  // a left press that a release turns into Click
    bool clkRunning_ = false;    // Clk runs while a marker holds or falls
    QElapsedTimer clkSince_;     // since Clk started
    qint64 clkTicksRun_ = 0;     // ticks run since Clk started
    QElapsedTimer levelSetAt_;   // since Level was last set
    QImage surface_;
};

#endif
