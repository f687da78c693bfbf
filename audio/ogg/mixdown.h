#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace zva {

// Folds a chain's channels into the one or two the sink takes: mono and stereo pass as they
// are, more channels are mixed down to stereo by their positions (left, right, centre to both,
// low-frequency effects left out), scaled so that the mix stays within -1..1.
//
// Thread contract: one object is used by one thread at a time.
class Mixdown {
public:
    // The channel order of the codec's layouts: Vorbis and Opus share one, FLAC has its own.
    enum class Order { Vorbis, Flac };

    Mixdown(Order order, int channels);

    int outChannels() const { return outChannels_; }

    // Appends `frames` frames to `out`, reading channel c of frame i as sample(i, c).
    template <typename Sample>
    void append(std::vector<float>& out, std::size_t frames, Sample sample) const {
        const int in = static_cast<int>(weights_.size());
        for (std::size_t i = 0; i < frames; ++i) {
            if (in == outChannels_) {
                for (int c = 0; c < in; ++c) {
                    out.push_back(sample(i, c));
                }
                continue;
            }
            std::array<float, 2> mix{};
            for (int c = 0; c < in; ++c) {
                const float s = sample(i, c);
                mix[0] += weights_[c][0] * s;
                mix[1] += weights_[c][1] * s;
            }
            out.insert(out.end(), mix.begin(), mix.begin() + outChannels_);
        }
    }

private:
    int outChannels_;
    std::vector<std::array<float, 2>> weights_;  // per input channel: its share of left, right
};

}  // namespace zva
