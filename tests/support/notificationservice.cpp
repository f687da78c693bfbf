#include "notificationservice.h"

#include <QDBusArgument>

namespace zvtest {

bool NotificationService::serve(QDBusConnection bus) {
    return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint NotificationService::Notify(const QString& app, uint replaces, const QString& icon,
                                 const QString& summary, const QString& body, const QStringList&,
                                 const QVariantMap& hints, int timeout) {
    notices << QStringList{app,  QString::number(replaces), icon, summary,
                           body, QString::number(timeout)}
                   .join('|');
    const QDBusArgument image = hints["image-data"].value<QDBusArgument>();
    int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
    bool alpha = false;
    QByteArray data;
    image.beginStructure();
    image >> width >> height >> stride >> alpha >> bits >> channels >> data;
    image.endStructure();
    const bool rgba = alpha && bits == 8 && channels == 4 && data.size() == stride * height;
    pictures.push_back(rgba ? QImage(reinterpret_cast<const uchar*>(data.constData()), width,
                                     height, stride, QImage::Format_RGBA8888)
                                  .copy()
                            : QImage());
    emit noticed();
    return static_cast<uint>(notices.size());
}

}  // namespace zvtest
