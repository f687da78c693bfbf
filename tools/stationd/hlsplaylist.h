#pragma once

#include "hlstimeline.h"

#include <QByteArray>
#include <QList>

// The text of a live HLS station's playlists. Pure functions: any thread.
namespace hlsplaylist {

struct Media {
    QList<HlsTimeline::Segment> segments;  // the window, oldest first
    int targetDuration = 1;
    QByteArray extension;  // of the segment URIs: "aac", "mp3" or "ts"
    QByteArray query;      // appended to every segment URI: "" or "?…"
    bool map = false;      // names an fMP4 init section
    bool key = false;      // names an AES-128 key
};

struct Variant {
    QByteArray uri;  // relative to the master playlist
    qint64 bandwidth = 0;
    qint64 averageBandwidth = 0;  // 0: not given
    QByteArray codecs;            // empty: not given
};

QByteArray media(const Media& playlist);
QByteArray master(const QList<Variant>& variants);

}  // namespace hlsplaylist
