#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

namespace zvtest {

// What SDL's disk driver wrote: stereo float frames, silence before the first sound and after
// the last left out.
struct HeardSound {
    std::size_t longestSilence = 0;  // the longest run of silent frames in between
    std::size_t length = 0;          // frames from the first sound to the last
};

inline HeardSound heardSound(const std::string& raw) {
    const auto* samples = reinterpret_cast<const float*>(raw.data());
    const std::size_t frames = raw.size() / (2 * sizeof(float));
    std::size_t longest = 0, run = 0, first = frames, last = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::fabs(samples[2 * i]) + std::fabs(samples[2 * i + 1]) < 1e-3f) {
            ++run;
            continue;
        }
        if (first < frames) {
            longest = std::max(longest, run);
        }
        first = std::min(first, i);
        last = i;
        run = 0;
    }
    return {longest, first < frames ? last - first + 1 : 0};
}

}  // namespace zvtest
