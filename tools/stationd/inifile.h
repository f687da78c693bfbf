#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A small INI reader for the station table: sections in file order, keys in section order.
// Lines beginning with ";" or "#" are comments; after a value, a ";" preceded by a blank starts a
// comment. A value in double quotes is taken literally up to its closing quote (so it may hold
// ";" after a blank). Values are kept as the file's bytes. A pure value type: any thread.
class IniFile {
public:
    struct Entry {
        QByteArray key;
        QByteArray value;
        int line = 0;
    };
    struct Section {
        QByteArray name;
        int line = 0;
        QList<Entry> entries;
    };

    // Reads the file; on failure returns false and describes the problem (file and line).
    bool load(const QString& path, QString* error);
    // Parses text that was read from `origin` (named in error messages).
    bool parse(const QByteArray& text, const QString& origin, QString* error);

    const QList<Section>& sections() const { return sections_; }

private:
    QList<Section> sections_;
};
