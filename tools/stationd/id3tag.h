#pragma once

#include <QByteArray>
#include <optional>

// An ID3v2.4 tag as an HLS segment carries it: in a packed audio segment first, with the
// timestamp of the segment's first sample in a PRIV frame; in an MPEG-TS segment as timed
// metadata. The title is "Artist - Title", split at its first " - " into TPE1 and TIT2 (without
// " - " it is TIT2 alone); a null title adds no text frames. Pure functions: any thread.
namespace id3tag {

// `pts`: 90 kHz ticks (33 bits) for the PRIV frame "com.apple.streaming.transportStreamTimestamp";
// none: no PRIV frame.
QByteArray make(const QByteArray& title, std::optional<qint64> pts);

}  // namespace id3tag
