#include "previousinstance.h"

#include "frmmain.h"
#include "platform/errorlog.h"
#include "platform/messagebox.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace modPreviousInstance {

namespace {

// However the running copy behaves, a later copy ends within this time.
constexpr int kWaitLimitMs = 2000;
// A station number is at most a few digits: a longer message without its line end is refused.
constexpr qint64 kLongestMessage = 16;
const QByteArray kAcknowledgement = QByteArrayLiteral("OK\n");
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

[[noreturn]] void handOver(QLocalSocket& first, int startStation, const QDeadlineTimer& deadline) {
    first.write(QByteArray::number(startStation) + '\n');
    while (!first.canReadLine() && first.waitForReadyRead(remainingMs(deadline))) {
    }
    if (first.canReadLine() && first.readLine() == kAcknowledgement) {
        zvbox::endProgram(zvbox::kExitNormal);
    }
    endUnreachable();
}

// A later copy's message: the window comes forward, the later copy may end, and the station
// starts as on its function key (any other number only brings the window forward).
void serve(frmMain& window, QLocalSocket& later) {
    if (!later.canReadLine()) {
        if (later.bytesAvailable() > kLongestMessage) {
            later.abort();
        }
        return;
    }
    const int station = later.readLine().trimmed().toInt();
    bringForward(window);
    later.write(kAcknowledgement);
    later.disconnectFromServer();
    zverr::trapEvent("modPreviousInstance.serve", [&window, station] { window.autoPlay(station); });
}

void startServer(frmMain& window, const QString& name) {
    auto* server = new QLocalServer(&window);
    server->setObjectName(kServerObject);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server, &QLocalServer::newConnection, server, [server, &window] {
        while (QLocalSocket* later = server->nextPendingConnection()) {
            QObject::connect(later, &QLocalSocket::disconnected, later, &QObject::deleteLater);
            QObject::connect(later, &QLocalSocket::readyRead, later,
                             [later, &window] { serve(window, *later); });
        }
    });
    // A copy that cannot listen still plays; later copies then run beside it.
    server->listen(name);
}

}  // namespace

QString serverName() {
    return zvpaths::tempFolder() + QStringLiteral("/zenovia.sock");
}

void CheckPrevInstance(frmMain& window, int startStation) {
    const QDeadlineTimer deadline(kWaitLimitMs);
    const QString name = serverName();
    // Two copies started together must not both find the name free and both listen.
    QLockFile lock(zvpaths::tempFolder() + QStringLiteral("/zenovia.lock"));
    if (!lock.tryLock(remainingMs(deadline))) {
        endUnreachable();
    }
    QLocalSocket first;
    first.connectToServer(name);
    if (first.waitForConnected(remainingMs(deadline))) {
        lock.unlock();
        handOver(first, startStation, deadline);
    }
    // Nobody accepts on the name: what is left there is a crashed copy's socket.
    QLocalServer::removeServer(name);
    startServer(window, name);
}

void bringForward(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void SaveWindowHandle(const QWidget& window) {
    zvsettings::write(zvsettings::kWindowSection, QStringLiteral("WindowHandle"),
                      QString::number(window.winId()));
}

void ForgetWindowHandle(const QWidget& window) {
    if (window.findChild<QLocalServer*>(kServerObject, Qt::FindDirectChildrenOnly) != nullptr) {
        // Nothing to remove is no failure: the close goes on either way.
        zvsettings::removeSection(zvsettings::kWindowSection);
    }
}

}  // namespace modPreviousInstance
