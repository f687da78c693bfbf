#include "wheelhook.h"

#include "platform/errorchain.h"
#include "platform/errorlog.h"

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

void WheelHook::Hook(QWidget* window) {
    if (wheelHooked_) {
        return;
    }
    hookedWindow_ = window;
    // Events reach the application's filters before the widget under the mouse sees them.
    qApp->installEventFilter(this);
    wheelHooked_ = true;
}

void WheelHook::UnHook() {
    if (!wheelHooked_) {
        return;
    }
    qApp->removeEventFilter(this);
    wheelHooked_ = false;
}

bool WheelHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel || !watched->isWidgetType() || hookedWindow_ == nullptr ||
        static_cast<QWidget*>(watched)->window() != hookedWindow_) {
        return false;
    }
    // Nothing above the filter could catch a failure: it ends here, in the log.
    zverr::trapEvent("modWheel.WindowProc", [this, event] {
        WindowProc(static_cast<QWheelEvent*>(event)->angleDelta().y());
    });
    return true;
}

void WheelHook::WindowProc(int zDelta) {
    zverr::Procedure proc("modWheel", "WindowProc");
    try {
        proc.step(1);
        onWheel_(zDelta);
    } catch (...) {
        proc.passOn();
    }
}
