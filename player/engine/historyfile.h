// The file of the titles heard, elhangzott.tsv in the user's state folder: one line per title,
// "YYYY-MM-DD HH:MM:SS" (local time), TAB, the station's button caption, TAB, the title; UTF-8,
// LF line ends, mode 0600. Lines older than 30 days are dropped when the file is opened.
//
// Thread contract: UI thread only (the title history's); every call opens and closes the file,
// so it is never held open.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zvengine {

struct HeardTitle;

class HistoryFile {
public:
    explicit HistoryFile(QString path);
    // The user's own: elhangzott.tsv in the state folder.
    static QString inStateFolder();

    // Drops the lines heard before `now` less 30 days, and lines without a readable time (a
    // line cut short by a full disk among them), rewriting the file in one piece when any went;
    // the last line kept, if any.
    std::optional<HeardTitle> prune(const QDateTime& now) const;
    // Appends one line; false when the file cannot take it.
    bool append(const HeardTitle& title) const;
    // Every readable line, oldest first.
    std::vector<HeardTitle> read() const;

    const QString& path() const { return path_; }
    // `text` fit for a field of a line: a tab or a line break would split the line, so each
    // becomes a blank.
    static QString field(QString text);
    // The three fields of `title`'s line (its texts fit already): the time, the station, the
    // title; the file holds them joined by TABs.
    static QStringList fields(const HeardTitle& title);

private:
    QString path_;
};

}  // namespace zvengine
