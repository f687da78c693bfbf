#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "oggcodec.h"
#include "oggpage.h"
#include "zvaudio_plugin.h"

namespace zva {

// One chain (logical Ogg stream) of a known codec: joins its pages' packets (libogg's stream
// layer; lost pages leave a hole that is stepped over), hands them to the codec and passes the
// sound on packet by packet, never beyond the granule position of the page the packets end on,
// so that a chain gives exactly the frames it holds and a long page holds nothing back. A
// packet longer than kMaxPacket is dropped.
//
// Thread contract: one object is used by one thread at a time; the sink is called on the thread
// that calls begin or page, before it returns.
class OggChain {
public:
    static constexpr std::size_t kMaxPacket = 1 << 20;

    enum class State { Playing, Unusable, OutOfMemory };

    // The chain `bos` (a beginning-of-stream page) starts, decoded from its first page on; null
    // when its first packet names no known codec, or with state() OutOfMemory.
    static std::unique_ptr<OggChain> begin(OggPage& bos, ZVA_PcmSink sink, void* user);

    ~OggChain();
    OggChain(const OggChain&) = delete;
    OggChain& operator=(const OggChain&) = delete;

    std::uint32_t serial() const { return serial_; }
    State state() const { return state_; }

    // Decodes the next page of this chain's serial.
    void page(OggPage& page, ZVA_PcmSink sink, void* user);

private:
    explicit OggChain(std::uint32_t serial);

    void decodePackets(std::int64_t granule, ZVA_PcmSink sink, void* user);
    // Passes the decoded frames on, no further than the granule position `end` (less the
    // codec's offset; -1: not known).
    void emit(std::int64_t end, ZVA_PcmSink sink, void* user);

    std::uint32_t serial_;
    ogg_stream_state stream_;
    std::unique_ptr<OggCodecDecoder> codec_;
    State state_ = State::Playing;
    std::vector<float> held_;    // the last packet's sound
    std::int64_t position_ = 0;  // granule position, less the codec's offset, of the output's end
};

}  // namespace zva
