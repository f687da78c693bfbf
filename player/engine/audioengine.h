// The receiver's one owner of the audio library: its life (start-up, output device, teardown at
// the end), the station on the air (start, stop, volume, levels) and what listeners see of it
// (the on-air state, the title, the logo, the volume). The window, its dialogs, start-up and the
// desktop's media controls all go through it; nothing else in the receiver calls the library.
//
// Requests from outside the window (the media controls) are carried out by the window, the way
// its own buttons do, so the skin and the logo follow: the engine passes them on by signal.
//
// Thread contract: UI thread, except that the stream workers and the library's callbacks report
// through the player state from their own threads; `changed` may then be emitted from them and
// reaches UI-thread receivers queued.
#pragma once

#include "playerstate.h"
#include "receiverview.h"
#include "stationtable.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace zvengine {

// The two level meters' values, 0..100.
struct MeterLevels {
    int left = 0;
    int right = 0;
};

class AudioEngine : public QObject {
    Q_OBJECT
public:
    AudioEngine();

    // The library's version word: the high word is the major and minor version.
    std::uint32_t libraryVersion() const;
    // Every station at one loudness: the library levels every channel while the stored switch
    // is on (on when none is stored). Applied at start-up before any station plays; the library
    // keeps it across its frees.
    void applyStoredLevelling();
    // Stores the switch and applies it at once: a station playing moves to its new gain within
    // a second.
    void switchLevelling(bool on);
    // Opens the output on the chosen device, falling back with a box before each new try; ends
    // the program when no device opens.
    void openOutput();
    // Loads the AAC decoder add-on from the program folder. When it cannot be loaded: the
    // audio-library failure box with the library's error code, the library freed, false.
    bool loadAacAddOn();
    // Loads the Ogg decoder add-on from the program folder. Without it Ogg stations do not
    // play, as stations of any other unknown format; nobody is told.
    void loadOggAddOn();
    // The end of the program: every worker overtaken and joined, the station's loudness
    // remembered, the library and its add-on freed. Nothing plays afterwards.
    void shutdown();

    // The window showing the station, and its station table; detaching another view does
    // nothing.
    void attach(ReceiverView* view, const StationList* stations);
    void detach(const ReceiverView* view);
    // Whether `generation` is still the current start of the sound.
    bool isCurrent(std::uint64_t generation) const;

    // Stops what played and starts the station at `index` (0..12); false when nothing started.
    bool start(int index);
    // Stops the sound, with the output opened again; the station last chosen stays.
    void stop();
    OnAir onAir() const;
    // The preset index last chosen.
    int station() const;
    // Whether `index` is a station the table offers.
    bool offered(int index) const;
    // The name (the preset button's caption) of the station at `index`, if it is offered.
    QString stationName(int index) const;
    // The last title shown for the station on the air, as the labels hold it.
    QString title() const;

    // Whether the stream plays right now, as the library answers.
    bool playing() const;
    // The meters' values for the stream; both 0 unless it plays.
    MeterLevels levels() const;
    // Whether sound plays, stalls or is being connected: the meters have something to follow.
    bool sounding() const;
    // What the window's watches read: the station could not be played or its stream stalls;
    // its download connection has closed.
    bool troubled() const;
    bool connectionDropped() const;

    // The volume slider's position 0..50 (50 the loudest), applied to the stream.
    void setVolume(int position);
    int volume() const;

    // The library's output devices by description; device number n is entry n - 1.
    QStringList devices() const;
    // The chosen device: -1 the system's default, 1.. the library's list.
    int device() const;
    // Chooses `device`. When it differs from the one in use, the sound stops, the output opens
    // on it, the labels go back to the prompt and the choice is stored; returns whether it did.
    bool chooseDevice(int device);

    // The picture the window shows for the station; empty for the built-in logo.
    void setLogoFile(const QString& file);
    const QString& logoFile() const { return logoFile_; }

    // Asks the window to start the station at `index` or to stop, as its own controls would, or
    // to move its volume slider to `position`.
    void requestStart(int index) { emit startRequested(index); }
    void requestStop() { emit stopRequested(); }
    void requestVolume(int position) { emit volumeRequested(position); }

signals:
    // The on-air state, the title, the logo or the volume may have changed.
    void changed();
    void startRequested(int index);
    void stopRequested();
    void volumeRequested(int position);

private:
    QString logoFile_;
};

AudioEngine& audioEngine();

}  // namespace zvengine
