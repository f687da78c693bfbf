// The receiver's playing as the desktop's media controls see it: the station on the air, its
// title, logo and volume, as the audio engine tells them, and the requests of media keys and
// desktop controls, which the engine hands to the window to carry out exactly as a click on a
// preset button or the stop button.
//
// A live station has no pause and no position: Pause stops, and seeking does nothing. Next and
// Previous move over the offered stations in button order, wrapping around.
//
// Thread contract: UI thread only; the bus delivers calls and property reads through the UI
// thread's event loop.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace zvengine {
class AudioEngine;
}

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanPlay)
    Q_PROPERTY(bool CanGoPrevious READ CanPlay)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    // `parent` is the object registered on the bus.
    MprisPlayer(zvengine::AudioEngine& engine, QObject* parent);

    // "Playing" from a station's start (connecting included) until it is stopped or fails.
    QString PlaybackStatus() const;
    double Rate() const { return 1.0; }
    QVariantMap Metadata() const;
    // The volume slider's position, 0..50, as 0.0..1.0.
    double Volume() const;
    void setVolume(double volume);
    qlonglong Position() const { return 0; }
    // Whether any station is offered.
    bool CanPlay() const;
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

private:
    // The preset button index of the station on the air, -1 while it is stopped.
    int stationOnAir() const;
    bool playing() const;
    // The first offered station `step` buttons on from `from`, wrapping around; -1 when none is.
    int offeredFrom(int from, int step) const;
    // Starts the station at `index` as its button would; nothing for -1.
    void start(int index);

    zvengine::AudioEngine& engine_;
};
