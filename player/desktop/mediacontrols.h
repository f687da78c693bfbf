// The receiver on the desktop's media controls (media keys, the desktop's player applets,
// playerctl): the main window offered on the session bus as a media player, under the name
// "org.mpris.MediaPlayer2.zenovia" at "/org/mpris/MediaPlayer2", for as long as the window
// lives. Listeners of the bus learn of every change of the playing state, the title, the
// station, the logo and the volume, whoever made it.
//
// Thread contract: UI thread only; the bus delivers calls through the UI thread's event loop.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class MprisPlayer;
class QWidget;

namespace zvdesktop {

// Offers the receiver, its main window `window` and its audio engine, on `bus`. Without a bus,
// when the bus refuses or another program holds the name, the receiver goes on as before, and
// says nothing: returns false.
bool offerMediaControls(QWidget& window,
                        const QDBusConnection& bus = QDBusConnection::sessionBus());

// The object at the player's path, a child of the window. It holds the name while it lives.
class MediaControls : public QObject {
    Q_OBJECT
public:
    MediaControls(QWidget& window, const QDBusConnection& bus);
    ~MediaControls() override;

    // Takes the path and the name; false when either is refused.
    bool publish();

private:
    // Tells the bus what changed since it was last told.
    void announceChanges();

    QDBusConnection bus_;
    MprisPlayer* player_;
    bool published_ = false;
    // What the bus was last told.
    QString status_;
    QVariantMap metadata_;
    double volume_;
};

}  // namespace zvdesktop
