#include "titlenotice.h"

#include "engine/audioengine.h"
#include "engine/logopicture.h"
#include "engine/receiverview.h"
#include "engine/titlehistory.h"
#include "platform/settingsstore.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QWidget>

namespace zvdesktop {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// A logo is sent whole over the bus; a downloaded one may be huge, so it goes at most this big,
// which leaves one the size of the window's logo box (377 by 126 pixels) as it is.
constexpr int kLargestIcon = 400;

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

// Runs `answered` with the reply when `message` is answered; an error or no answer is ignored.
template <typename Reply, typename Answered>
void ask(const QDBusConnection& bus, QObject* context, const QDBusMessage& message,
         Answered answered) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answered](QDBusPendingCallWatcher* done) {
                         const QDBusPendingReply<Reply> reply = *done;
                         if (reply.isValid()) {
                             answered(reply.value());
                         }
                         done->deleteLater();
                     });
}

// The logo the window shows, as the "image-data" hint: the built-in logo is no file, so the
// picture itself goes rather than a file name.
QDBusArgument imageData() {
    const QString file = zvengine::audioEngine().logoFile();
    QImage logo =
        file.isEmpty() ? QImage(QStringLiteral(":/zenovia/logo.gif")) : readLogoPicture(file);
    if (logo.width() > kLargestIcon || logo.height() > kLargestIcon) {
        logo =
            logo.scaled(kLargestIcon, kLargestIcon, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    logo = logo.convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument image;
    image.beginStructure();
    image << logo.width() << logo.height() << static_cast<int>(logo.bytesPerLine()) << true << 8
          << 4
          << QByteArray(reinterpret_cast<const char*>(logo.constBits()),
                        static_cast<qsizetype>(logo.sizeInBytes()));
    image.endStructure();
    return image;
}

}  // namespace

void offerTitleNotices(QWidget& window, const QDBusConnection& bus) {
    if (bus.isConnected()) {
        new TitleNotice(window, bus);
    }
}

TitleNotice::TitleNotice(QWidget& window, const QDBusConnection& bus)
    : QObject(&window), window_(window), bus_(bus) {
    // Asked once at the start, long before a stream's first title comes.
    ask<QStringList>(bus_, this, call(QStringLiteral("GetCapabilities")),
                     [this](const QStringList& capabilities) {
                         markup_ = capabilities.contains(QStringLiteral("body-markup"));
                     });
    connect(&zvengine::titleHistory(), &zvengine::TitleHistory::heard, this, &TitleNotice::notify);
}

void TitleNotice::notify(const zvengine::HeardTitle& title) {
    if (window_.isActiveWindow() || !zvsettings::storedNotices()) {
        return;
    }
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << QStringLiteral("Zenovia") << lastId_ << QString()
            << zvengine::displayText(title.station)
            << (markup_ ? title.title.toHtmlEscaped() : title.title) << QStringList()
            << QVariantMap{{QStringLiteral("image-data"), QVariant::fromValue(imageData())}} << -1;
    ask<uint>(bus_, this, message, [this](uint id) { lastId_ = id; });
}

}  // namespace zvdesktop
