#include "hlstimeline.h"

#include <algorithm>
#include <cmath>

namespace {

// Frame times are sums of doubles: a comparison allows for their rounding.
constexpr double kEpsilon = 1e-9;

}  // namespace

HlsTimeline::HlsTimeline(const AudioFile& audio, double segmentSeconds, bool perPass,
                         QList<QByteArray> titles, double titleInterval)
    : audio_(audio),
      segmentSeconds_(segmentSeconds),
      perPass_(perPass),
      titles_(std::move(titles)),
      titleInterval_(titleInterval),
      passSeconds_(audio.frames().back().start + audio.frames().back().seconds),
      perPassSegments_(static_cast<qint64>(std::ceil(passSeconds_ / segmentSeconds - kEpsilon))) {}

const AudioFile::FrameInfo& HlsTimeline::info(qint64 frame) const {
    return audio_.frames()[static_cast<std::size_t>(frame % frameCount())];
}

qint64 HlsTimeline::firstEndingAfter(double seconds) const {
    auto pass = static_cast<qint64>(std::floor(seconds / passSeconds_));
    const double within = seconds - static_cast<double>(pass) * passSeconds_;
    const std::vector<AudioFile::FrameInfo>& frames = audio_.frames();
    auto index = std::upper_bound(frames.begin(), frames.end(), within + kEpsilon,
                                  [](double at, const AudioFile::FrameInfo& frame) {
                                      return at < frame.start + frame.seconds;
                                  }) -
                 frames.begin();
    if (index == frameCount()) {
        ++pass;
        index = 0;
    }
    return pass * frameCount() + index;
}

HlsTimeline::Segment HlsTimeline::segment(qint64 sequence) const {
    qint64 first = 0;
    qint64 end = 0;
    if (perPass_) {
        const qint64 pass = sequence / perPassSegments_;
        const qint64 within = sequence % perPassSegments_;
        const double passStart = static_cast<double>(pass) * passSeconds_;
        first = firstEndingAfter(passStart + static_cast<double>(within) * segmentSeconds_);
        end = within + 1 == perPassSegments_
                  ? (pass + 1) * frameCount()
                  : firstEndingAfter(passStart + static_cast<double>(within + 1) * segmentSeconds_);
    } else {
        first = firstEndingAfter(static_cast<double>(sequence) * segmentSeconds_);
        end = firstEndingAfter(static_cast<double>(sequence + 1) * segmentSeconds_);
    }
    const double start = frameStart(first);
    return {sequence,
            first,
            end,
            start,
            frameStart(end) - start,
            perPass_ && sequence >= perPassSegments_ && sequence % perPassSegments_ == 0};
}

int HlsTimeline::targetDuration() const {
    // Cut per pass, every pass has the first pass's segments; run on, the cut shifts against the
    // frames from pass to pass, and a few passes show its longest segment.
    const qint64 count = perPass_ ? perPassSegments_ : 4 * perPassSegments_ + 4;
    double longest = 0;
    for (qint64 n = 0; n < count; ++n) {
        longest = std::max(longest, segment(n).seconds);
    }
    return static_cast<int>(std::ceil(longest - kEpsilon));
}

qint64 HlsTimeline::lastListed(double live, int window) const {
    const double limit = live + window * segmentSeconds_;
    const auto passes = static_cast<qint64>(std::floor(limit / passSeconds_));
    qint64 last =
        perPass_ ? passes * perPassSegments_ +
                       static_cast<qint64>((limit - static_cast<double>(passes) * passSeconds_) /
                                           segmentSeconds_)
                 : static_cast<qint64>(limit / segmentSeconds_);
    const auto end = [this](qint64 sequence) {
        const Segment s = segment(sequence);
        return s.start + s.seconds;
    };
    while (last > 0 && end(last) > limit + kEpsilon) {
        --last;
    }
    while (end(last + 1) <= limit + kEpsilon) {
        ++last;
    }
    return last;
}

QByteArray HlsTimeline::frameBytes(qint64 frame) const {
    const AudioFile::FrameInfo& f = info(frame);
    return audio_.bytes().mid(f.offset, f.length);
}

double HlsTimeline::frameStart(qint64 frame) const {
    return static_cast<double>(frame / frameCount()) * passSeconds_ + info(frame).start;
}

qint64 HlsTimeline::framePts(qint64 frame) const {
    const double seconds = perPass_ ? info(frame).start : frameStart(frame);
    return std::llround(seconds * 90000) & ((qint64{1} << 33) - 1);
}

QByteArray HlsTimeline::titleAt(qint64 frame) const {
    if (titles_.isEmpty()) {
        return {};
    }
    const auto slot =
        static_cast<qint64>(std::floor(frameStart(frame) / titleInterval_ + kEpsilon));
    return titles_[static_cast<qsizetype>(slot % titles_.size())];
}
