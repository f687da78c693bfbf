#include "mprisroot.h"

#include "platform/windowforward.h"

#include <QWidget>

MprisRoot::MprisRoot(QWidget& window, QObject* parent)
    : QDBusAbstractAdaptor(parent), window_(window) {}

void MprisRoot::Raise() {
    zvshell::bringForward(window_);
}

void MprisRoot::Quit() {
    // Closed after the reply has gone out, the normal way: the unload steps save the settings.
    QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
}
