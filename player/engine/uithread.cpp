#include "uithread.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>

namespace zvengine {

void runOnUiThread(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace zvengine
