#include "mediacontrols.h"

#include "engine/audioengine.h"
#include "mprisplayer.h"
#include "mprisroot.h"

#include <QDBusMessage>
#include <QWidget>

namespace zvdesktop {
namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.zenovia");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

}  // namespace

bool offerMediaControls(QWidget& window, const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return false;
    }
    auto* controls = new MediaControls(window, bus);
    if (!controls->publish()) {
        delete controls;
        return false;
    }
    return true;
}

MediaControls::MediaControls(QWidget& window, const QDBusConnection& bus)
    : QObject(&window), bus_(bus), player_(new MprisPlayer(zvengine::audioEngine(), this)) {
    new MprisRoot(window, this);
    status_ = player_->PlaybackStatus();
    metadata_ = player_->Metadata();
    volume_ = player_->Volume();
    // The engine tells of every start, stop, failure, new title and logo, and of every volume
    // change, while the slider's thumb is dragged too.
    connect(&zvengine::audioEngine(), &zvengine::AudioEngine::changed, this,
            &MediaControls::announceChanges);
}

MediaControls::~MediaControls() {
    if (published_) {
        bus_.unregisterService(kService);
    }
}

bool MediaControls::publish() {
    if (!bus_.registerObject(kPath, this, QDBusConnection::ExportAdaptors)) {
        return false;
    }
    published_ = bus_.registerService(kService);
    return published_;
}

void MediaControls::announceChanges() {
    QVariantMap changed;
    if (const QString status = player_->PlaybackStatus(); status != status_) {
        status_ = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (const QVariantMap metadata = player_->Metadata(); metadata != metadata_) {
        metadata_ = metadata;
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    if (const double volume = player_->Volume(); volume != volume_) {
        volume_ = volume;
        changed.insert(QStringLiteral("Volume"), volume);
    }
    if (changed.isEmpty()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus_.send(signal);
}

}  // namespace zvdesktop
