// The Unix sockets of the one-copy hand-over, made with the system's calls: Qt's local sockets
// would bring its network module, and with it the proxy and Kerberos libraries, into every run
// for this one small use. Every descriptor is non-blocking and closed on exec.
//
// Thread contract: any thread; a descriptor is used by one thread at a time.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QString>

namespace zvlocal {

// A socket listening at `path` that only this user may connect to; -1, with the reason, when
// it cannot be made (a path too long for a socket, a folder that cannot be written).
int listenAt(const QString& path, QString& reason);

// What a try to connect came to: a connection, nobody there to listen (no socket, or one left
// by a copy that has ended), or a listener that could not be reached (its queue stayed full
// until the deadline, the permission was refused).
struct Connection {
    enum class Outcome { Connected, NobodyListens, Unreachable } outcome;
    int fd = -1;  // the connection when Connected
};

// A connection to the socket at `path`, tried until `deadline` while the listener is too busy to
// take it.
Connection connectTo(const QString& path, const QDeadlineTimer& deadline);

// Sends all of `bytes`, waiting until `deadline` while the other end is full; false when the
// connection ended first or the deadline passed.
bool sendAll(int fd, QByteArrayView bytes, const QDeadlineTimer& deadline);

// What arrives up to and with the first line end, waiting until `deadline`; whatever has come
// when the connection ends, the deadline passes or a few dozen bytes came without a line end.
QByteArray receiveLine(int fd, const QDeadlineTimer& deadline);

// Removes what is left at `path` of a socket nobody listens on any more.
void removeSocket(const QString& path);

}  // namespace zvlocal
