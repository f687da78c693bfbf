#include "mprisplayer.h"

#include "engine/audioengine.h"

#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLoudest = 50;

}  // namespace

MprisPlayer::MprisPlayer(zvengine::AudioEngine& engine, QObject* parent)
    : QDBusAbstractAdaptor(parent), engine_(engine) {}

int MprisPlayer::stationOnAir() const {
    return engine_.onAir() == zvengine::OnAir::Stopped ? -1 : engine_.station();
}

bool MprisPlayer::playing() const {
    const zvengine::OnAir state = engine_.onAir();
    return state == zvengine::OnAir::Connecting || state == zvengine::OnAir::Playing;
}

QString MprisPlayer::PlaybackStatus() const {
    return playing() ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::Metadata() const {
    const int station = stationOnAir();
    if (station < 0) {
        // Nothing on air: no track, so the desktop shows no title (the prompt is the window's).
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(
                     QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
    }
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(
             QDBusObjectPath(QStringLiteral("/org/zenovia/station/%1").arg(station + 1)))},
        {QStringLiteral("xesam:title"), zvengine::displayText(engine_.title())},
    };
    if (engine_.offered(station)) {
        metadata.insert(QStringLiteral("xesam:artist"),
                        QStringList{zvengine::displayText(engine_.stationName(station))});
    }
    if (!engine_.logoFile().isEmpty()) {
        metadata.insert(QStringLiteral("mpris:artUrl"),
                        QUrl::fromLocalFile(engine_.logoFile()).toString());
    }
    return metadata;
}

double MprisPlayer::Volume() const {
    return engine_.volume() / static_cast<double>(kLoudest);
}

void MprisPlayer::setVolume(double volume) {
    if (std::isnan(volume)) {
        return;
    }
    const double position = std::round(std::clamp(volume, 0.0, 1.0) * kLoudest);
    // The window's slider moves, and its own handler hands the volume to the audio library.
    engine_.requestVolume(static_cast<int>(position));
}

bool MprisPlayer::CanPlay() const {
    return offeredFrom(0, 1) >= 0;
}

int MprisPlayer::offeredFrom(int from, int step) const {
    for (int k = 1; k <= zvengine::kStationCount; ++k) {
        const int index = ((from + k * step) % zvengine::kStationCount + zvengine::kStationCount) %
                          zvengine::kStationCount;
        if (engine_.offered(index)) {
            return index;
        }
    }
    return -1;
}

void MprisPlayer::start(int index) {
    if (index >= 0) {
        engine_.requestStart(index);
    }
}

void MprisPlayer::Next() {
    start(offeredFrom(engine_.station(), 1));
}

void MprisPlayer::Previous() {
    start(offeredFrom(engine_.station(), -1));
}

void MprisPlayer::Pause() {
    if (playing()) {
        engine_.requestStop();
    }
}

void MprisPlayer::PlayPause() {
    if (playing()) {
        engine_.requestStop();
    } else {
        Play();
    }
}

void MprisPlayer::Stop() {
    engine_.requestStop();
}

void MprisPlayer::Play() {
    if (playing()) {
        return;
    }
    // The station last chosen; before any choice, the first one offered.
    const int chosen = engine_.station();
    start(engine_.offered(chosen) ? chosen : offeredFrom(-1, 1));
}
