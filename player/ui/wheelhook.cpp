#include "wheelhook.h"

#include "platform/errorchain.h"
#include "platform/errorlog.h"

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

namespace {

// The keys and buttons held during a wheel event, as the wheel message's key flags.
int wheelKeys(const QWheelEvent& event) {
    const struct {
        bool held;
        int flag;
    } keys[] = {
        {(event.buttons() & Qt::LeftButton) != 0, 0x01},
        {(event.buttons() & Qt::RightButton) != 0, 0x02},
        {(event.modifiers() & Qt::ShiftModifier) != 0, 0x04},
        {(event.modifiers() & Qt::ControlModifier) != 0, 0x08},
        {(event.buttons() & Qt::MiddleButton) != 0, 0x10},
    };
    int flags = 0;
    for (const auto& key : keys) {
        flags |= key.held ? key.flag : 0;
    }
    return flags;
}

}  // namespace

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
    zverr::trapEvent("modWheel.WindowProc",
                     [this, event] { WindowProc(*static_cast<QWheelEvent*>(event)); });
    return true;
}

void WheelHook::WindowProc(const QWheelEvent& event) {
    zverr::Procedure proc("modWheel", "WindowProc");
    try {
        proc.step(1);
        const QPoint at = event.globalPosition().toPoint();
        if (!QMetaObject::invokeMethod(
                hookedWindow_, "Mousewheel", Qt::DirectConnection, Q_ARG(int, wheelKeys(event)),
                Q_ARG(int, event.angleDelta().y()), Q_ARG(int, at.x()), Q_ARG(int, at.y()))) {
            throw zverr::Failure(zverr::kInvalidCall, QString(),
                                 QStringLiteral("The window has no Mousewheel"));
        }
    } catch (...) {
        proc.passOn();
    }
}
