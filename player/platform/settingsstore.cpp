#include "settingsstore.h"

#include <QSettings>

#include <algorithm>

namespace zvsettings {
namespace {

QSettings open() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zenovia"),
                     QStringLiteral("Zenovia"));
}

}  // namespace

QString read(const QString& section, const QString& key, const QString& defaultValue) {
    return open().value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void write(const QString& section, const QString& key, const QString& value) {
    QSettings settings = open();
    settings.setValue(section + QLatin1Char('/') + key, value);
}

bool removeSection(const QString& section) {
    QSettings settings = open();
    if (!settings.childGroups().contains(section)) {
        return false;
    }
    settings.remove(section);
    return true;
}

int storedVolume() {
    bool ok = false;
    const int volume = read(kSettingsSection, QStringLiteral("Hangero"), QStringLiteral("48"))
                           .trimmed()
                           .toInt(&ok);
    return ok ? std::clamp(volume, 3, 50) : 48;
}

int storedDevice() {
    bool ok = false;
    const int device = read(kSettingsSection, QStringLiteral("Hangkartya"), QStringLiteral("-1"))
                           .trimmed()
                           .toInt(&ok);
    return ok ? device : -1;
}

}  // namespace zvsettings
