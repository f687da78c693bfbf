#pragma once

#include "hlstimeline.h"

#include <QByteArray>

// The bytes of one live HLS segment, from its frames on the timeline. Pure functions: any
// thread.
namespace hlssegment {

// Packed audio: an ID3 tag with the first frame's timestamp and the title current there, then
// the frames as they are.
QByteArray packed(const HlsTimeline& timeline, const HlsTimeline::Segment& segment);
// MPEG-TS: the tables, an ID3 tag with the current title, then PES packets of a few frames each;
// where the title changes, the PES is cut so that the frame starting the new title begins one,
// right after an ID3 tag with that title and that frame's timestamp.
QByteArray ts(const HlsTimeline& timeline, const HlsTimeline::Segment& segment,
              int audioStreamType);

}  // namespace hlssegment
