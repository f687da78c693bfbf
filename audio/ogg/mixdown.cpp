#include "mixdown.h"

#include <string_view>

namespace zva {
namespace {

// Each channel's position for 3 to 8 channels: L left, R right, C centre, F low frequencies.
std::string_view layout(Mixdown::Order order, int channels) {
    static constexpr std::string_view kVorbis[] = {"LCR",    "LRLR",    "LCRLR",
                                                   "LCRLRF", "LCRLRCF", "LCRLRLRF"};
    static constexpr std::string_view kFlac[] = {"LRC",    "LRLR",    "LRCLR",
                                                 "LRCFLR", "LRCFCLR", "LRCFLRLR"};
    if (channels < 3 || channels > 8) {
        return {};
    }
    return (order == Mixdown::Order::Vorbis ? kVorbis : kFlac)[channels - 3];
}

}  // namespace

Mixdown::Mixdown(Order order, int channels)
    : outChannels_(channels > 2 ? 2 : 1), weights_(channels > 0 ? channels : 0) {
    if (channels <= 2) {
        outChannels_ = channels;
        return;
    }
    // Channels without a known layout alternate between left and right.
    const std::string_view positions = layout(order, channels);
    constexpr float kCentre = 0.7071f;
    std::array<float, 2> sum{};
    for (int c = 0; c < channels; ++c) {
        const char position = positions.empty() ? "LR"[c % 2] : positions[c];
        auto& weight = weights_[c];
        weight = position == 'L'   ? std::array<float, 2>{1, 0}
                 : position == 'R' ? std::array<float, 2>{0, 1}
                 : position == 'C' ? std::array<float, 2>{kCentre, kCentre}
                                   : std::array<float, 2>{0, 0};
        sum[0] += weight[0];
        sum[1] += weight[1];
    }
    for (auto& weight : weights_) {
        weight[0] /= sum[0];
        weight[1] /= sum[1];
    }
}

}  // namespace zva
