#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace zvsettings {
namespace {

QSettings open() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zenovia"),
                     QStringLiteral("Zenovia"));
}

// The store may hold proxy credentials, so only its owner may read it. The file is made private
// before anything is written to it; QSettings saves through a new file that takes over the old
// one's mode, so it stays private across rewrites. A file an earlier version left open is
// closed here too.
void keepPrivate(const QSettings& settings) {
    const QString path = settings.fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

}  // namespace

QString read(const QString& section, const QString& key, const QString& defaultValue) {
    return open().value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void write(const QString& section, const QString& key, const QString& value) {
    QSettings settings = open();
    keepPrivate(settings);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

bool removeSection(const QString& section) {
    QSettings settings = open();
    if (!settings.childGroups().contains(section)) {
        return false;
    }
    keepPrivate(settings);
    settings.remove(section);
    return true;
}

int storedVolume() {
    bool ok = false;
    const int volume =
        read(kSettingsSection, kVolumeKey, QStringLiteral("48")).trimmed().toInt(&ok);
    return ok ? std::clamp(volume, 3, 50) : 48;
}

void storeVolume(int position) {
    write(kSettingsSection, kVolumeKey, QString::number(position));
}

int storedDevice() {
    bool ok = false;
    const int device =
        read(kSettingsSection, kDeviceKey, QStringLiteral("-1")).trimmed().toInt(&ok);
    return ok ? device : -1;
}

ProxySetting storedProxy() {
    ProxySetting proxy;
    proxy.direct = read(kSettingsSection, kDirectKey) == QStringLiteral("1");
    proxy.address = read(kSettingsSection, kProxyKey);
    return proxy;
}

void storeProxy(const ProxySetting& proxy) {
    write(kSettingsSection, kProxyKey, proxy.address);
    write(kSettingsSection, kDirectKey, proxy.direct ? QStringLiteral("1") : QStringLiteral("0"));
}

bool storedNotices() {
    return read(kSettingsSection, kNoticesKey) == QStringLiteral("1");
}

void storeNotices(bool on) {
    write(kSettingsSection, kNoticesKey, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool storedLevelling() {
    return read(kSettingsSection, kLevellingKey) != QStringLiteral("0");
}

void storeLevelling(bool on) {
    write(kSettingsSection, kLevellingKey, on ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace zvsettings
