#include "devicegate.h"

#include <QCoreApplication>

namespace zvengine {

DeviceGate::Opening::Opening() {
    ++openings_;
}

DeviceGate::Opening::~Opening() {
    // Released from the event loop, not here: the request that opened the output finishes
    // first, so the kept ones run after it, as they arrived.
    if (--openings_ == 0 && !kept_.empty()) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &DeviceGate::release,
                                  Qt::QueuedConnection);
    }
}

bool DeviceGate::holds(QObject* context, std::function<void()> request) {
    if (openings_ == 0) {
        return false;
    }
    kept_.push_back({context, std::move(request)});
    return true;
}

void DeviceGate::release() {
    // A kept request may open the output again and so keep new ones: those wait for that
    // opening's own release.
    while (openings_ == 0 && !kept_.empty()) {
        Kept next = std::move(kept_.front());
        kept_.pop_front();
        if (next.context) {
            next.request();
        }
    }
}

}  // namespace zvengine
