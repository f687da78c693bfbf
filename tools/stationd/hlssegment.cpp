#include "hlssegment.h"

#include "id3tag.h"
#include "tswriter.h"

namespace hlssegment {

QByteArray packed(const HlsTimeline& timeline, const HlsTimeline::Segment& segment) {
    QByteArray out =
        id3tag::make(timeline.titleAt(segment.firstFrame), timeline.framePts(segment.firstFrame));
    for (qint64 frame = segment.firstFrame; frame < segment.endFrame; ++frame) {
        out += timeline.frameBytes(frame);
    }
    return out;
}

QByteArray ts(const HlsTimeline& timeline, const HlsTimeline::Segment& segment,
              int audioStreamType) {
    // About 100 ms of audio per PES at 44.1 kHz AAC.
    constexpr int kFramesPerPes = 4;
    TsWriter writer(audioStreamType);
    writer.writeTables(segment.sequence);
    QByteArray title = timeline.titleAt(segment.firstFrame);
    if (!title.isNull()) {
        writer.writeId3(id3tag::make(title, std::nullopt), timeline.framePts(segment.firstFrame));
    }
    QByteArray frames;
    qint64 pesStart = segment.firstFrame;
    for (qint64 frame = segment.firstFrame; frame < segment.endFrame; ++frame) {
        const QByteArray current = timeline.titleAt(frame);
        const bool titleChanges = current != title;
        if (!frames.isEmpty() && (titleChanges || frame - pesStart == kFramesPerPes)) {
            writer.writeAudio(frames, timeline.framePts(pesStart));
            frames.clear();
            pesStart = frame;
        }
        if (titleChanges) {
            writer.writeId3(id3tag::make(current, std::nullopt), timeline.framePts(frame));
            title = current;
        }
        frames += timeline.frameBytes(frame);
    }
    writer.writeAudio(frames, timeline.framePts(pesStart));
    return writer.bytes();
}

}  // namespace hlssegment
