#include "inifile.h"

#include <QFile>

namespace {

// The value part of a "key=value" line: quoted literally, or up to an inline comment.
QByteArray valueOf(QByteArray raw) {
    raw = raw.trimmed();
    if (raw.startsWith('"')) {
        const qsizetype close = raw.indexOf('"', 1);
        if (close > 0) {
            return raw.mid(1, close - 1);
        }
    }
    for (qsizetype i = 1; i < raw.size(); ++i) {
        if (raw[i] == ';' && (raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
            return raw.left(i).trimmed();
        }
    }
    return raw;
}

}  // namespace

bool IniFile::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return parse(file.readAll(), path, error);
}

bool IniFile::parse(const QByteArray& text, const QString& origin, QString* error) {
    sections_.clear();
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int number = i + 1;
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0) {
                *error = QStringLiteral("%1:%2: unclosed section name").arg(origin).arg(number);
                return false;
            }
            sections_.append(Section{line.mid(1, close - 1).trimmed(), number, {}});
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || sections_.isEmpty()) {
            *error = QStringLiteral("%1:%2: expected key=value inside a section")
                         .arg(origin)
                         .arg(number);
            return false;
        }
        sections_.last().entries.append(
            Entry{line.left(eq).trimmed(), valueOf(line.mid(eq + 1)), number});
    }
    return true;
}
