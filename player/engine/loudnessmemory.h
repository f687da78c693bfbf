// The loudness of each station heard before, kept across starts so that its levelling has the
// right gain from the first sample: hangerok.tsv in the user's state folder, one line per
// station, its stream address, TAB, its loudness in LUFS with one decimal ("-14.3"); UTF-8, LF
// line ends, mode 0600, at most 100 stations, the oldest written first. A file that cannot be
// read or written costs only what it would have remembered: nothing is shown or logged.
//
// Thread contract: the stream worker asks for a station's loudness from its own thread at
// every start; the UI thread opens the memory and remembers what a stop measured. Every call
// holds the memory's mutex, so a start meets a stop's write whole or not at all.
#pragma once

#include <QString>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace zvengine {

class LoudnessMemory {
public:
    static constexpr float kLeastSeconds = 10.0f;
    static constexpr std::size_t kMostStations = 100;

    // The user's own: hangerok.tsv in the state folder.
    static QString inStateFolder();

    // Forgets what it held and reads `path` (none when empty), which every change is written to
    // from now on.
    void open(const QString& path);
    // The loudness last remembered for the station at `address`.
    std::optional<float> loudness(const QString& address) const;
    // Remembers `lufs` for `address` when at least 10 s of its sound were measured, as the newest
    // station, dropping the oldest past 100, and writes the file in one piece.
    void measured(const QString& address, float seconds, float lufs);

private:
    mutable std::mutex mutex_;
    QString path_;                                 // guarded by mutex_
    std::vector<std::pair<QString, float>> kept_;  // guarded by mutex_; oldest first
};

LoudnessMemory& loudnessMemory();

}  // namespace zvengine
