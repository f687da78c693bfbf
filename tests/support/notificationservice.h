// The desktop's notification service of a test ("org.freedesktop.Notifications"): answers
// GetCapabilities with `capabilities` and keeps every notice as
// "app|replaces|icon|summary|body|timeout" with its picture (the "image-data" hint, 8-bit RGBA),
// answering with ids counted from 1. UI thread only: the bus delivers its calls there.
#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace zvtest {

class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // Takes the service's name and path on `bus`; false when either is refused.
    bool serve(QDBusConnection bus);

    QStringList capabilities;
    QStringList notices;
    std::vector<QImage> pictures;

public slots:
    QStringList GetCapabilities() const { return capabilities; }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout);

signals:
    void noticed();
};

}  // namespace zvtest
