#include "profilereader.h"

#include "net/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QStringView>

namespace modRegistryIni {
namespace {

QStringView unquoted(QStringView value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) {
            return value.mid(1, value.size() - 2);
        }
    }
    return value;
}

}  // namespace

std::optional<QString> findProfileValue(const QString& text, const QString& section,
                                        const QString& key) {
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0) {
            continue;
        }
        return unquoted(line.mid(equals + 1).trimmed()).left(kMaxValueLength).toString();
    }
    return std::nullopt;
}

bool ResolveLocation(const QString& location) {
    const QFileInfo info(location);
    return info.isFile() && !info.isHidden() && info.isReadable();
}

QString ReadProfileValue(const QString& location, const QString& section, const QString& key,
                         const QString& kind, const QString& defaultValue) {
    if (kind.toUpper() != QLatin1String("S") || !ResolveLocation(location)) {
        return defaultValue;
    }
    QFile file(location);
    if (!file.open(QIODevice::ReadOnly)) {
        return defaultValue;
    }
    const QString text = zvnet::decodeText(file.read(kMaxProfileBytes));
    return findProfileValue(text, section, key).value_or(defaultValue);
}

}  // namespace modRegistryIni
