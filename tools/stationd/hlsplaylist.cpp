#include "hlsplaylist.h"

namespace hlsplaylist {

QByteArray media(const Media& playlist) {
    // An init section needs the version that knows EXT-X-MAP outside I-frame playlists.
    QByteArray text =
        "#EXTM3U\n#EXT-X-VERSION:" + QByteArray(playlist.map ? "6" : "3") +
        "\n#EXT-X-TARGETDURATION:" + QByteArray::number(playlist.targetDuration) +
        "\n#EXT-X-MEDIA-SEQUENCE:" +
        QByteArray::number(playlist.segments.isEmpty() ? 0 : playlist.segments.front().sequence) +
        "\n";
    if (playlist.key) {
        text += "#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\"\n";
    }
    if (playlist.map) {
        text += "#EXT-X-MAP:URI=\"init.mp4\"\n";
    }
    for (const HlsTimeline::Segment& segment : playlist.segments) {
        if (segment.discontinuity) {
            text += "#EXT-X-DISCONTINUITY\n";
        }
        text += "#EXTINF:" + QByteArray::number(segment.seconds, 'f', 3) + ",\n" +
                QByteArray::number(segment.sequence) + '.' + playlist.extension + playlist.query +
                '\n';
    }
    return text;
}

QByteArray master(const QList<Variant>& variants) {
    QByteArray text = "#EXTM3U\n";
    for (const Variant& variant : variants) {
        text += "#EXT-X-STREAM-INF:BANDWIDTH=" + QByteArray::number(variant.bandwidth);
        if (variant.averageBandwidth > 0) {
            text += ",AVERAGE-BANDWIDTH=" + QByteArray::number(variant.averageBandwidth);
        }
        if (!variant.codecs.isEmpty()) {
            text += ",CODECS=\"" + variant.codecs + '"';
        }
        text += '\n' + variant.uri + '\n';
    }
    return text;
}

}  // namespace hlsplaylist
