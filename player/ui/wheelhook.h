// The mouse-wheel handler of one window: while hooked, every wheel event anywhere on the window
// (over a button, a label or the slider alike) becomes one call of the handler given at
// construction, with the event's vertical delta, and goes no further. The window removes the
// handler before every teardown of the audio library and every skin operation and installs it
// again afterwards; a second Hook without an UnHook between changes nothing, so one wheel event
// is never handled twice.
//
// Thread contract: UI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <utility>

class QWidget;

class WheelHook : public QObject {
    Q_OBJECT
public:
    explicit WheelHook(std::function<void(int zDelta)> onWheel) : onWheel_(std::move(onWheel)) {}

    void Hook(QWidget* window);
    void UnHook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WindowProc(int zDelta);

    std::function<void(int zDelta)> onWheel_;
    bool wheelHooked_ = false;
    QPointer<QWidget> hookedWindow_;
};
