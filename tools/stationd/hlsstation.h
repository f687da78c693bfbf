#pragma once

#include "stationconfig.h"

#include <QByteArray>

class StationServer;

// The answer to one request of a live HLS station: a playlist or a segment, by the station's
// live clock, with its faults.
struct HlsAnswer {
    int status = 404;
    QByteArray contentType;
    QByteArray body;
};

// Answers `resource` ("live.m3u8" or "<SEQ>.<ext>") of the HLS station mounted at `mount`,
// whose keys (query applied) are `config`; `query` ("" or "?…", as the request had it) is
// carried on to the URIs the playlist lists. Starts the station's live clock. Event loop thread
// only (the server's clocks and audio cache).
HlsAnswer answerHls(StationServer& server, const StationConfig& config, const QByteArray& mount,
                    const QByteArray& resource, const QByteArray& query);
