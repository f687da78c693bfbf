#include "callbacktrap.h"

#include "platform/errorlog.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace zvengine {

void logCallbackFailure(const char* callbackName) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    const QString name = QString::fromLatin1(callbackName);
    QMetaObject::invokeMethod(
        app, [name] { zverr::Errorlog(name, QString()); }, Qt::QueuedConnection);
}

}  // namespace zvengine
