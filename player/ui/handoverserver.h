// The first copy's server for later copies, on a thread of its own: while the first copy's UI
// thread is still busy loading (the logo downloads block it) a later copy is answered at once;
// once the window is up, after the window has come forward. Its station reaches the UI thread by
// queued invocation. Stations that arrive before
// the window is up wait for it, and are served after the window's own command-line station.
//
// Thread contract: created, started and destroyed on the UI thread (the destructor stops and
// joins the server's thread); the server's thread only reads and answers sockets and posts
// stations to the UI thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <vector>

class QSocketNotifier;

class HandOverServer final : public QObject {
public:
    // The answer to a later copy: its station has arrived.
    static inline const QByteArray kAcknowledgement = QByteArrayLiteral("OK\n");

    // `serve` runs on the UI thread for every station handed over, once the window is up.
    HandOverServer(QObject* parent, std::function<void(int station)> serve);
    ~HandOverServer() override;

    // Listens on the socket `name`; false, with the reason, when it cannot.
    bool listen(const QString& name, QString& reason);
    // The window is up: the stations that waited are served now, later ones at once.
    void windowUp();

private:
    // On the server's thread: every later copy waiting to connect.
    void acceptLaterCopies(QSocketNotifier& incoming);
    void received(int station);

    const std::function<void(int)> serve_;
    std::vector<int> waiting_;     // UI thread only
    std::atomic<bool> up_{false};  // written on the UI thread, read on both
    QThread thread_;
    QObject* server_;     // lives on thread_, and with it every later copy's connection
    int listening_ = -1;  // the listening socket, read on thread_ once listen() returned
    QString name_;
};
