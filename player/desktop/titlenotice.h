// Desktop notices of new titles: while the setting "Ertesites" is on and the main window is not
// the active one (minimised, or another program in front), every new title the window shows
// from a stream's metadata is told by the desktop's notification service
// ("org.freedesktop.Notifications" on the session bus): the station's caption as the summary,
// the title as the body and the logo the window shows as the picture. Each notice replaces the
// receiver's previous one, so they never pile up. Without a bus or a service nothing shows and
// nothing is said.
//
// Thread contract: UI thread only. Every call to the service is asynchronous and its answer
// comes through the UI thread's event loop, so a hung service never holds the window.
#pragma once

#include <QDBusConnection>
#include <QObject>

class QWidget;

namespace zvengine {
struct HeardTitle;
}

namespace zvdesktop {

// Tells the new titles heard while `window` lives, on `bus`; nothing without a bus.
void offerTitleNotices(QWidget& window, const QDBusConnection& bus = QDBusConnection::sessionBus());

// The notices' sender, a child of the window.
class TitleNotice : public QObject {
    Q_OBJECT
public:
    TitleNotice(QWidget& window, const QDBusConnection& bus);

private:
    void notify(const zvengine::HeardTitle& title);

    QWidget& window_;
    QDBusConnection bus_;
    bool markup_ = false;  // the service reads markup in the body, so it is escaped
    uint lastId_ = 0;      // the service's id of the receiver's last notice; 0 before one
};

}  // namespace zvdesktop
