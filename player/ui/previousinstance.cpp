#include "previousinstance.h"

#include "frmmain.h"
#include "handoverserver.h"
#include "platform/errorlog.h"
#include "platform/localsocket.h"
#include "platform/messagebox.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"
#include "platform/windowforward.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QLockFile>

namespace modPreviousInstance {

namespace {

// However the running copy behaves, a later copy ends within this time.
constexpr int kWaitLimitMs = 2000;
// The first copy's server, a child of its window: its presence marks the first copy.
const QString kServerObject = QStringLiteral("modPreviousInstance");

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(deadline.remainingTime());
}

[[noreturn]] void endUnreachable() {
    zvsettings::removeSection(zvsettings::kWindowSection);
    zvbox::endWithError(
        QStringLiteral("A Zenovia ablaka nem aktiválható.\rKérem indítsa újra a programot."));
}

[[noreturn]] void handOver(int first, int startStation, const QDeadlineTimer& deadline) {
    const bool acknowledged =
        zvlocal::sendAll(first, QByteArray::number(startStation) + '\n', deadline) &&
        zvlocal::receiveLine(first, deadline) == HandOverServer::kAcknowledgement;
    ::close(first);
    if (acknowledged) {
        zvbox::endProgram(zvbox::kExitNormal);
    }
    endUnreachable();
}

// A later copy's station, once the window is up: the window comes forward and the station
// starts as on its function key (any other number only brings the window forward).
void serve(frmMain& window, int station) {
    zvshell::bringForward(window);
    zverr::trapEvent("modPreviousInstance.serve", [&window, station] { window.autoPlay(station); });
}

void startServer(frmMain& window, const QString& name) {
    auto* server = new HandOverServer(&window, [&window](int station) { serve(window, station); });
    server->setObjectName(kServerObject);
    QString reason;
    // A copy that cannot listen still plays; later copies then run beside it, which the log
    // tells.
    if (!server->listen(name, reason)) {
        zverr::Errorlog(QStringLiteral("modPreviousInstance.CheckPrevInstance"),
                        reason + QStringLiteral(" (") + name + QLatin1Char(')'));
    }
}

HandOverServer* serverOf(const QWidget& window) {
    return dynamic_cast<HandOverServer*>(
        window.findChild<QObject*>(kServerObject, Qt::FindDirectChildrenOnly));
}

}  // namespace

QString serverName() {
    return zvpaths::runtimeFolder() + QStringLiteral("/zenovia.sock");
}

void CheckPrevInstance(frmMain& window, int startStation) {
    const QDeadlineTimer deadline(kWaitLimitMs);
    const QString name = serverName();
    // Two copies started together must not both find the name free and both listen.
    QLockFile lock(zvpaths::runtimeFolder() + QStringLiteral("/zenovia.lock"));
    if (!lock.tryLock(remainingMs(deadline))) {
        endUnreachable();
    }
    const zvlocal::Connection first = zvlocal::connectTo(name, deadline);
    switch (first.outcome) {
        case zvlocal::Connection::Outcome::Connected:
            lock.unlock();
            handOver(first.fd, startStation, deadline);
        case zvlocal::Connection::Outcome::Unreachable:
            endUnreachable();
        case zvlocal::Connection::Outcome::NobodyListens:
            break;
    }
    // Nobody listens on the name: what is left there is a crashed copy's socket.
    zvlocal::removeSocket(name);
    startServer(window, name);
}

void SaveWindowHandle(const QWidget& window) {
    zvsettings::write(zvsettings::kWindowSection, zvsettings::kWindowHandleKey,
                      QString::number(window.winId()));
}

void ServeHandOvers(const QWidget& window) {
    if (HandOverServer* server = serverOf(window)) {
        server->windowUp();
    }
}

void ForgetWindowHandle(const QWidget& window) {
    if (serverOf(window) != nullptr) {
        // Nothing to remove is no failure: the close goes on either way.
        zvsettings::removeSection(zvsettings::kWindowSection);
    }
}

}  // namespace modPreviousInstance
