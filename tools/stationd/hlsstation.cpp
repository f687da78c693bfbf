#include "hlsstation.h"

#include "hlsplaylist.h"
#include "hlssegment.h"
#include "hlstimeline.h"
#include "stationserver.h"

#include <QDir>

#include <algorithm>

namespace {

constexpr char kPlaylist[] = "live.m3u8";
constexpr char kPlaylistType[] = "application/vnd.apple.mpegurl";

HlsAnswer master(StationServer& server, const StationConfig& config, const QByteArray& mount,
                 const QByteArray& query) {
    const QDir here(QString::fromUtf8(mount));
    QList<hlsplaylist::Variant> variants;
    for (const QByteArray& path : config.variants) {
        // The server checked at start-up that every variant is an HLS station.
        const StationConfig* variant = server.station(path);
        const QString target = QString::fromUtf8(path) + '/' + kPlaylist;
        variants.append({here.relativeFilePath(target).toUtf8() + query, variant->bandwidth,
                         variant->averageBandwidth, variant->codecs});
    }
    return {200, kPlaylistType, hlsplaylist::master(variants)};
}

// The sequence number a segment name gives: digits, a dot and the extension; -1 for any other.
qint64 sequenceOf(const QByteArray& resource, const QByteArray& extension) {
    const QByteArray digits = resource.chopped(std::min(resource.size(), extension.size() + 1));
    if (resource != digits + '.' + extension || digits.isEmpty() || digits.size() > 15 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return digits.toLongLong();
}

}  // namespace

HlsAnswer answerHls(StationServer& server, const StationConfig& config, const QByteArray& mount,
                    const QByteArray& resource, const QByteArray& query) {
    const double live = server.liveSeconds(mount);
    if (config.goneAfter >= 0 && live >= config.goneAfter) {
        return {};
    }
    if (config.hls == StationConfig::Hls::Master) {
        return resource == kPlaylist ? master(server, config, mount, query) : HlsAnswer{};
    }
    QString error;
    const std::shared_ptr<const AudioFile> audio = server.audio(config.file, &error);
    if (!audio || audio->frames().empty()) {
        return {};
    }
    // A stale playlist stays as it was when it stopped, and so do the segments it allows.
    const double clock = config.staleAfter >= 0 ? std::min(live, config.staleAfter) : live;
    const HlsTimeline timeline(*audio, config.segmentSeconds, config.discontinuity, config.titles,
                               config.titleInterval);
    const qint64 last = timeline.lastListed(clock, config.window);
    const qint64 first = std::max<qint64>(0, last - config.window + 1);
    const bool adts = audio->contentType() == "audio/aac";
    const bool ts = config.hls == StationConfig::Hls::Ts;
    const QByteArray extension = ts ? "ts" : adts ? "aac" : "mp3";
    if (resource == kPlaylist) {
        hlsplaylist::Media playlist{
            {}, timeline.targetDuration(), extension, query, config.hlsMap, config.hlsKey};
        for (qint64 sequence = first; sequence <= last; ++sequence) {
            playlist.segments.append(timeline.segment(sequence));
        }
        return {200, kPlaylistType, hlsplaylist::media(playlist)};
    }
    // A segment stays available for one window's length after it left the playlist.
    const qint64 sequence = sequenceOf(resource, extension);
    if (sequence < std::max<qint64>(0, first - config.window) || sequence > last ||
        (config.missingEvery > 0 && sequence > 0 && sequence % config.missingEvery == 0)) {
        return {};
    }
    const HlsTimeline::Segment segment = timeline.segment(sequence);
    if (!ts) {
        return {200, adts ? "audio/aac" : "audio/mpeg", hlssegment::packed(timeline, segment)};
    }
    // MPEG audio: version 1 in the header's version bits is MPEG-1, anything else MPEG-2 audio.
    const int mpegVersion = (static_cast<uchar>(audio->bytes().at(1)) >> 3) & 3;
    const int streamType = adts ? 0x0F : mpegVersion == 3 ? 0x03 : 0x04;
    return {200, "video/mp2t", hlssegment::ts(timeline, segment, streamType)};
}
