// The titles heard: every title the window shows from a stream's metadata, in the order heard.
// It owns the history file in the user's state folder and tells its listeners (the history
// dialog, the desktop notices) of each new title; the metadata handling is its only source.
//
// Thread contract: tellTitleShown may be called from any thread (the stream worker, the audio
// library's download thread); everything else, and the `heard` signal, is on the UI thread.
// Writing a line is one short local append: a file that cannot take it loses that title, noted
// once per run in Error.log, and nothing waits for it.
#pragma once

#include "historyfile.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace zvengine {

// One title heard: when it showed (local time), on which station (its button caption) and the
// title as the window shows it (one "&" for the label's "&&"), a tab or line break in either
// as a blank.
struct HeardTitle {
    QDateTime time;
    QString station;
    QString title;
};

class TitleHistory : public QObject {
    Q_OBJECT
public:
    TitleHistory();

    // Keeps the titles heard from now on in the file at `path` (once per run, at start-up):
    // drops its lines older than 30 days, and takes its last line as the last title heard.
    void open(const QString& path);
    // The titles in the file, oldest first; none before open.
    std::vector<HeardTitle> heardSoFar() const;

    // A title the window shows now on a station: unless it is blank or the same station and
    // title as the last one heard, it is a new title, and `heard` tells it.
    void hear(const QString& shownStation, const QString& shownTitle);

signals:
    void heard(const zvengine::HeardTitle& title);

private:
    QString lastStation_;              // UI thread: the station and title last heard
    QString lastTitle_;                // UI thread
    std::optional<HistoryFile> file_;  // UI thread; none before open
    bool failureLogged_ = false;       // UI thread: a failed write was logged in this run
};

TitleHistory& titleHistory();

// The title label's value `labelValue` shown from the metadata of generation `generation` on
// `station`: heard on the UI thread if that generation is still the current one there.
void tellTitleShown(std::uint64_t generation, const QString& station, const QString& labelValue);

}  // namespace zvengine
