#include "devicegate.h"

#include "platform/messagebox.h"

#include <QCoreApplication>

#include <algorithm>

namespace zvengine {

DeviceGate::Opening::Opening() {
    ++openings_;
}

DeviceGate::Opening::~Opening() {
    // Released from the event loop, not here: the request that opened the output finishes
    // first, so the kept ones run after it, as they arrived.
    if (--openings_ > 0) {
        return;
    }
    ending_ = false;
    if (!kept_.empty()) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &DeviceGate::release,
                                  Qt::QueuedConnection);
    }
}

bool DeviceGate::holds(QObject* context, std::function<void()> request) {
    if (openings_ == 0) {
        return false;
    }
    const bool closing = std::any_of(kept_.begin(), kept_.end(), [context](const Kept& kept) {
        return kept.close && kept.context == context;
    });
    if (!closing) {
        kept_.push_back({context, std::move(request), false});
    }
    return true;
}

bool DeviceGate::holdsClose(QObject* context, std::function<void()> close) {
    if (openings_ == 0) {
        return false;
    }
    std::erase_if(kept_, [context](const Kept& kept) { return kept.context == context; });
    kept_.push_back({context, std::move(close), true});
    return true;
}

void DeviceGate::end() {
    if (openings_ > 0) {
        ending_ = true;
        zvbox::closeOpenBox();
    }
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
