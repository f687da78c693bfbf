#include "mprisplayer.h"

#include "engine/playerstate.h"
#include "ui/frmmain.h"
#include "ui/skinlabel.h"

#include <QSlider>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLoudest = 50;

}  // namespace

MprisPlayer::MprisPlayer(frmMain& window, QObject* parent)
    : QDBusAbstractAdaptor(parent), window_(window) {}

int MprisPlayer::stationOnAir() const {
    // Every way of stopping (the stop button, Esc, the watches, a new output device) ends in the
    // prompt; every start replaces it with the station's own texts.
    if (window_.titleLabel().value() == frmMain::kPrompt) {
        return -1;
    }
    return zvengine::playerState().currentStation;
}

bool MprisPlayer::playing() const {
    return stationOnAir() >= 0 && !zvengine::playerState().notAvailable();
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
        {QStringLiteral("xesam:title"), SkinLabel::displayText(window_.titleLabel().value())},
    };
    if (offered(station)) {
        const QString caption = window_.stations().stations[static_cast<size_t>(station)].name;
        metadata.insert(QStringLiteral("xesam:artist"),
                        QStringList{SkinLabel::displayText(caption)});
    }
    if (!window_.logoFile().isEmpty()) {
        metadata.insert(QStringLiteral("mpris:artUrl"),
                        QUrl::fromLocalFile(window_.logoFile()).toString());
    }
    return metadata;
}

double MprisPlayer::Volume() const {
    return window_.volumeSlider().sliderPosition() / static_cast<double>(kLoudest);
}

void MprisPlayer::setVolume(double volume) {
    if (std::isnan(volume)) {
        return;
    }
    const double position = std::round(std::clamp(volume, 0.0, 1.0) * kLoudest);
    // The slider's own handler hands the volume to the audio library.
    window_.volumeSlider().setValue(static_cast<int>(position));
}

bool MprisPlayer::offered(int index) const {
    return index >= 0 && index < zvengine::kStationCount &&
           window_.stations().stations[static_cast<size_t>(index)].enabled;
}

bool MprisPlayer::CanPlay() const {
    return offeredFrom(0, 1) >= 0;
}

int MprisPlayer::offeredFrom(int from, int step) const {
    for (int k = 1; k <= zvengine::kStationCount; ++k) {
        const int index = ((from + k * step) % zvengine::kStationCount + zvengine::kStationCount) %
                          zvengine::kStationCount;
        if (offered(index)) {
            return index;
        }
    }
    return -1;
}

void MprisPlayer::start(int index) {
    if (index >= 0) {
        window_.btnPresents_Click(index);
    }
}

void MprisPlayer::Next() {
    start(offeredFrom(zvengine::playerState().currentStation, 1));
}

void MprisPlayer::Previous() {
    start(offeredFrom(zvengine::playerState().currentStation, -1));
}

void MprisPlayer::Pause() {
    if (playing()) {
        window_.cmdStop_Click();
    }
}

void MprisPlayer::PlayPause() {
    if (playing()) {
        window_.cmdStop_Click();
    } else {
        Play();
    }
}

void MprisPlayer::Stop() {
    window_.cmdStop_Click();
}

void MprisPlayer::Play() {
    if (playing()) {
        return;
    }
    // The station last chosen; before any choice, the first one offered.
    const int chosen = zvengine::playerState().currentStation;
    start(offered(chosen) ? chosen : offeredFrom(-1, 1));
}
