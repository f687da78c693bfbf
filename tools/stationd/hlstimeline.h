#pragma once

#include "audiofile.h"

#include <QByteArray>
#include <QList>

// A live HLS station's timeline over its looped audio file: the segments its frames are cut into,
// the title each frame plays under and the window of segments a playlist lists at a moment of
// the station's live clock.
//
// Frames are counted over all loop passes ("global" frames: pass * frames per pass + index).
// Segment n holds the frames whose end lies in (n * S, (n + 1) * S] on the stream's timeline,
// S being the segment length, so a segment is never much longer than S and a frame never
// straddles two. Cut per pass, times restart at each pass: every pass is cut the same way, its
// last segment is shorter and its first one (after the first pass) is a discontinuity, and the
// timestamps start at 0 again. Run on as one timeline, the cut and the timestamps go on across
// the loop. A value type over a file it does not own: any thread.
class HlsTimeline {
public:
    struct Segment {
        qint64 sequence;
        qint64 firstFrame;  // global
        qint64 endFrame;    // global, one past the last
        double start;       // seconds on the stream's timeline
        double seconds;
        bool discontinuity;
    };

    // `audio` holds MPEG audio or ADTS frames and outlives the timeline.
    HlsTimeline(const AudioFile& audio, double segmentSeconds, bool perPass,
                QList<QByteArray> titles, double titleInterval);

    Segment segment(qint64 sequence) const;
    // The longest segment's length rounded up to whole seconds.
    int targetDuration() const;
    // The last segment a playlist lists at `live` seconds: the newest whose end on the timeline
    // is at most `live` + window * the segment length.
    qint64 lastListed(double live, int window) const;

    // A frame's bytes in the file.
    QByteArray frameBytes(qint64 frame) const;
    // A frame's start on the stream's timeline, and its timestamp in 90 kHz ticks (33 bits).
    double frameStart(qint64 frame) const;
    qint64 framePts(qint64 frame) const;
    // The title current at a frame: the schedule's entry whose time the frame starts at or
    // after; null without a schedule.
    QByteArray titleAt(qint64 frame) const;

private:
    qint64 frameCount() const { return static_cast<qint64>(audio_.frames().size()); }
    const AudioFile::FrameInfo& info(qint64 frame) const;
    // The first global frame that ends after `seconds` on the continuous timeline.
    qint64 firstEndingAfter(double seconds) const;

    const AudioFile& audio_;
    const double segmentSeconds_;
    const bool perPass_;
    const QList<QByteArray> titles_;
    const double titleInterval_;
    const double passSeconds_;
    const qint64 perPassSegments_;
};
