#pragma once

#include <cstddef>

namespace zva {

// Where a stream's decoder hands its sound: 44.1 kHz stereo float frames, taken as fast as the
// sink has room. The mix implements it; the decoder knows nothing else of the mix.
//
// Thread contract: push() and waitForRoom() from the decoder thread; endOfSource() from any.
class PcmSink {
public:
    static constexpr int kRate = 44100;

    // Takes up to `frames` frames; the number taken.
    virtual std::size_t push(const float* stereo, std::size_t frames) = 0;
    // Waits until `frames` frames fit or the sink is cancelled; false when cancelled.
    virtual bool waitForRoom(std::size_t frames) = 0;
    // Nothing more comes.
    virtual void endOfSource() = 0;

protected:
    ~PcmSink() = default;
};

}  // namespace zva
