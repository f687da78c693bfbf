// The mouse-wheel handler of one window: while hooked, every wheel event anywhere on the window
// (over a button, a label or the slider alike) becomes one call of the window's
// Mousewheel(fwKeys, zDelta, xPos, yPos), looked up by that name, and goes no further. The
// window removes the handler before every teardown of the audio library and every skin
// operation and installs it again afterwards; a second Hook without an UnHook between changes
// nothing, so one wheel event is never handled twice.
//
// Thread contract: UI thread only.
#pragma once

#include <QObject>
#include <QPointer>

class QWheelEvent;
class QWidget;

class WheelHook : public QObject {
    Q_OBJECT
public:
    void Hook(QWidget* window);
    void UnHook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WindowProc(const QWheelEvent& event);

    bool wheelHooked_ = false;
    QPointer<QWidget> hookedWindow_;
};
