#include "mediacontrols.h"

#include "mprisplayer.h"
#include "mprisroot.h"
#include "ui/frmmain.h"
#include "ui/skinlabel.h"

#include <QDBusMessage>
#include <QSlider>

namespace zvdesktop {
namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.zenovia");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");

}  // namespace

bool offerMediaControls(frmMain& window, const QDBusConnection& bus) {
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

MediaControls::MediaControls(frmMain& window, const QDBusConnection& bus)
    : QObject(&window), bus_(bus), player_(new MprisPlayer(window, this)) {
    new MprisRoot(window, this);
    status_ = player_->PlaybackStatus();
    metadata_ = player_->Metadata();
    volume_ = player_->Volume();
    // The title label changes at every start, stop, failure and new title; the logo with the
    // station; the slider with every volume change, while its thumb is dragged too.
    connect(&window.titleLabel(), &SkinLabel::changed, this, &MediaControls::announceChanges);
    connect(&window, &frmMain::logoShown, this, &MediaControls::announceChanges);
    connect(&window.volumeSlider(), &QSlider::valueChanged, this, &MediaControls::announceChanges);
    connect(&window.volumeSlider(), &QSlider::sliderMoved, this, &MediaControls::announceChanges);
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
