#include "uithread.h"

#include <QCoreApplication>
#include <QThread>

#include <future>

namespace zvengine {

void runOnUiThread(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    // The hand-back goes through a promise rather than Qt's blocking call, so that the waiting
    // thread sees everything the work did.
    std::promise<void> done;
    QMetaObject::invokeMethod(
        app,
        [&work, &done] {
            try {
                work();
                done.set_value();
            } catch (...) {
                done.set_exception(std::current_exception());
            }
        },
        Qt::QueuedConnection);
    done.get_future().get();
}

}  // namespace zvengine
