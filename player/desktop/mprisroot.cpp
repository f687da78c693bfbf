#include "mprisroot.h"

#include "ui/frmmain.h"
#include "ui/previousinstance.h"

MprisRoot::MprisRoot(frmMain& window, QObject* parent)
    : QDBusAbstractAdaptor(parent), window_(window) {}

void MprisRoot::Raise() {
    modPreviousInstance::bringForward(window_);
}

void MprisRoot::Quit() {
    // Closed after the reply has gone out, the normal way: the unload steps save the settings.
    QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
}
