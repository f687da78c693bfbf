// The receiver as a media player on the desktop's bus: its name, and the two requests the
// desktop makes of a player's window (bring it forward, end the program).
//
// Thread contract: UI thread only; the bus delivers calls and property reads through the UI
// thread's event loop.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

class QWidget;

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    // `parent` is the object registered on the bus.
    MprisRoot(QWidget& window, QObject* parent);

    QString Identity() const { return QStringLiteral("Zenovia"); }
    QString DesktopEntry() const { return QStringLiteral("zenovia"); }
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    // The receiver plays only the stations it offers: it opens nothing handed to it.
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise();
    void Quit();

private:
    QWidget& window_;
};
