#include "uithread.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace zvengine {
namespace {

// What the UI thread hands back; shared, since the waiting thread may stop waiting first.
struct HandBack {
    std::mutex mutex;
    std::condition_variable_any ran;
    bool done = false;           // guarded by mutex
    std::exception_ptr failure;  // guarded by mutex
};

}  // namespace

bool runOnUiThread(std::function<void()> work, std::stop_token stop) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
        return true;
    }
    auto handBack = std::make_shared<HandBack>();
    QMetaObject::invokeMethod(
        app,
        [work = std::move(work), handBack] {
            std::exception_ptr failure;
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard lock(handBack->mutex);
            handBack->failure = failure;
            handBack->done = true;
            handBack->ran.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(handBack->mutex);
    if (!handBack->ran.wait(lock, stop, [&] { return handBack->done; })) {
        return false;
    }
    if (handBack->failure) {
        std::rethrow_exception(handBack->failure);
    }
    return true;
}

}  // namespace zvengine
