#include "tsdemuxer.h"

#include <algorithm>

#include "adtsheader.h"
#include "id3tag.h"
#include "mpegheader.h"

namespace zva {
namespace {

constexpr std::uint8_t kSync = 0x47;
constexpr std::size_t kMaxSection = 1024 + 3;
constexpr std::uint64_t kPtsMask = (std::uint64_t{1} << 33) - 1;

// Whether time stamp `a` is at or after `b`, across the 33-bit wrap.
bool atOrAfter(std::uint64_t a, std::uint64_t b) {
    return ((a - b) & kPtsMask) < (std::uint64_t{1} << 32);
}

int pidOf(const std::uint8_t* p) {
    return (p[0] & 0x1F) << 8 | p[1];
}

// The header of a PES packet that begins in one TS packet's payload.
struct PesHeader {
    bool valid = false;
    std::uint8_t streamId = 0;
    std::size_t headerSize = 0;
    bool bounded = false;  // the packet states its length
    std::size_t payloadSize = 0;
    bool hasPts = false;
    std::uint64_t pts = 0;
};

PesHeader pesHeader(const std::uint8_t* p, std::size_t size) {
    PesHeader h;
    if (size < 9 || p[0] != 0 || p[1] != 0 || p[2] != 1 || (p[6] & 0xC0) != 0x80) {
        return h;
    }
    h.streamId = p[3];
    h.headerSize = 9 + std::size_t{p[8]};
    const std::size_t length = std::size_t{p[4]} << 8 | p[5];
    if (h.headerSize > size || (length != 0 && length + 6 < h.headerSize)) {
        return h;
    }
    h.bounded = length != 0;
    h.payloadSize = h.bounded ? length + 6 - h.headerSize : 0;
    if ((p[7] & 0x80) != 0 && p[8] >= 5) {
        h.hasPts = true;
        h.pts = static_cast<std::uint64_t>(p[9] >> 1 & 7) << 30 | std::uint64_t{p[10]} << 22 |
                static_cast<std::uint64_t>(p[11] >> 1) << 15 | std::uint64_t{p[12]} << 7 |
                static_cast<std::uint64_t>(p[13] >> 1);
    }
    h.valid = true;
    return h;
}

}  // namespace

bool TsDemuxer::feed(const std::uint8_t* data, std::size_t size, Sink& sink) {
    while (size > 0 && !failed_) {
        if (packetFill_ == 0 && data[0] != kSync) {
            failed_ = true;
            break;
        }
        const std::size_t n = std::min(size, kPacket - packetFill_);
        std::copy(data, data + n, packet_.begin() + static_cast<std::ptrdiff_t>(packetFill_));
        packetFill_ += n;
        data += n;
        size -= n;
        if (packetFill_ == kPacket) {
            packetFill_ = 0;
            packet(packet_.data(), sink);
        }
    }
    return !failed_;
}

void TsDemuxer::flush(Sink& /*sink*/) {
    for (Id3Stream& stream : id3_) {
        finishId3(stream);
    }
    // Every whole frame has gone out already; what is left cannot become one.
    packetFill_ = 0;
    pending_.clear();
    audioOpen_ = false;
    ptsDue_ = false;
}

void TsDemuxer::reset() {
    failed_ = false;
    packetFill_ = 0;
    packetsWithoutAudio_ = 0;
    pat_ = Section{};
    pmt_ = Section{};
    audioPid_ = kNoPid;
    audioFormat_ = Audio::None;
    id3_.clear();
    pending_.clear();
    audioOpen_ = false;
    ptsDue_ = false;
    hasPts_ = false;
    for (Title& title : titles_) {
        title.hasPts = false;
    }
}

void TsDemuxer::packet(const std::uint8_t* p, Sink& sink) {
    if (audioPid_ == kNoPid && ++packetsWithoutAudio_ > kMaxPacketsBeforeAudio) {
        failed_ = true;
        return;
    }
    const bool transportError = (p[1] & 0x80) != 0;
    const bool start = (p[1] & 0x40) != 0;
    const int pid = pidOf(p + 1);
    const int control = p[3] >> 4 & 3;
    std::size_t offset = 4;
    if ((control & 2) != 0) {
        offset += 1 + std::size_t{p[4]};
    }
    if (transportError || (control & 1) == 0 || offset >= kPacket) {
        return;
    }
    const std::uint8_t* payload = p + offset;
    const std::size_t size = kPacket - offset;
    if (pid == 0) {
        section(pat_, payload, size, start);
        return;
    }
    if (pid == pmt_.pid) {
        section(pmt_, payload, size, start);
        return;
    }
    if (pid == audioPid_) {
        if (start) {
            const PesHeader h = pesHeader(payload, size);
            audioOpen_ = h.valid;
            if (!h.valid) {
                return;
            }
            if (h.hasPts) {
                ptsDue_ = true;
                ptsAt_ = pending_.size();
                ptsNew_ = h.pts;
            }
            audioPayload(payload + h.headerSize, size - h.headerSize, sink);
        } else if (audioOpen_) {
            audioPayload(payload, size, sink);
        }
        return;
    }
    for (Id3Stream& stream : id3_) {
        if (stream.pid != pid) {
            continue;
        }
        if (start) {
            finishId3(stream);
            const PesHeader h = pesHeader(payload, size);
            if (h.valid && (h.streamId == 0xBD || h.streamId == 0xFC)) {
                stream.open = true;
                stream.dropped = false;
                stream.hasPts = h.hasPts;
                stream.pts = h.pts;
                stream.bounded = h.bounded;
                stream.left = h.payloadSize;
                id3Payload(stream, payload + h.headerSize, size - h.headerSize);
            }
        } else if (stream.open) {
            id3Payload(stream, payload, size);
        }
        return;
    }
}

void TsDemuxer::section(Section& s, const std::uint8_t* payload, std::size_t size, bool start) {
    std::size_t from = 0;
    if (start) {
        // The pointer field: the bytes before the new section end the one still open.
        const std::size_t pointer = payload[0];
        if (1 + pointer > size) {
            s.open = false;
            return;
        }
        if (s.open) {
            section(s, payload + 1, pointer, false);
        }
        s.open = true;
        s.bytes.clear();
        from = 1 + pointer;
    }
    if (!s.open) {
        return;
    }
    s.bytes.insert(s.bytes.end(), payload + from, payload + size);
    if (s.bytes.size() < 3) {
        return;
    }
    const std::size_t length = 3 + (std::size_t{s.bytes[1] & 0x0Fu} << 8 | s.bytes[2]);
    if (length > kMaxSection) {
        s.open = false;
    } else if (s.bytes.size() >= length) {
        s.open = false;
        table(s.bytes.data(), length, &s == &pat_);
    }
}

void TsDemuxer::table(const std::uint8_t* s, std::size_t size, bool pat) {
    // The long section form, current, with room for its CRC.
    if (size < 12 || (s[1] & 0x80) == 0 || (s[5] & 1) == 0) {
        return;
    }
    const std::size_t end = size - 4;
    if (pat) {
        if (s[0] != 0x00) {
            return;
        }
        for (std::size_t i = 8; i + 4 <= end; i += 4) {
            const int program = s[i] << 8 | s[i + 1];
            const int pid = pidOf(s + i + 2);
            if (program != 0) {
                if (pid != pmt_.pid) {
                    pmt_ = Section{};
                    pmt_.pid = pid;
                }
                return;
            }
        }
        return;
    }
    if (s[0] != 0x02) {
        return;
    }
    bool audioFound = false;
    for (std::size_t i = 12 + (std::size_t{s[10] & 0x0Fu} << 8 | s[11]); i + 5 <= end;
         i += 5 + (std::size_t{s[i + 3] & 0x0Fu} << 8 | s[i + 4])) {
        const std::uint8_t type = s[i];
        const int pid = pidOf(s + i + 1);
        if (!audioFound && (type == 0x0F || type == 0x03 || type == 0x04)) {
            audioFound = true;
            const Audio format = type == 0x0F ? Audio::Adts : Audio::Mpeg;
            if (pid != audioPid_ || format != audioFormat_) {
                audioPid_ = pid;
                audioFormat_ = format;
                pending_.clear();
                audioOpen_ = false;
                ptsDue_ = false;
            }
        } else if (type == 0x15 && id3_.size() < kMaxId3Streams &&
                   std::none_of(id3_.begin(), id3_.end(),
                                [pid](const Id3Stream& s) { return s.pid == pid; })) {
            id3_.emplace_back().pid = pid;
        }
    }
}

void TsDemuxer::audioPayload(const std::uint8_t* data, std::size_t size, Sink& sink) {
    pending_.insert(pending_.end(), data, data + size);
    const bool adts = audioFormat_ == Audio::Adts;
    const std::size_t headerSize = adts ? AdtsHeader::kSize : MpegHeader::kSize;
    std::size_t at = 0;
    while (pending_.size() - at >= headerSize) {
        const std::uint8_t* header = pending_.data() + at;
        std::size_t length = 0;
        int samples = 0;
        if (adts) {
            if (const auto h = AdtsHeader::parse(header)) {
                length = h->frameLength();
                samples = h->samples();
            }
        } else if (const auto h = MpegHeader::parse(header)) {
            length = h->frameLength();
            samples = h->samples();
        }
        if (length == 0) {
            // Not a header: the next one is searched byte by byte through what has come.
            ++at;
            continue;
        }
        if (length > pending_.size() - at) {
            break;
        }
        if (ptsDue_ && at >= ptsAt_) {
            ptsDue_ = false;
            hasPts_ = true;
            nextPts_ = ptsNew_;
        }
        releaseTitles(hasPts_, nextPts_, sink);
        sink.audio(header, length);
        nextPts_ = (nextPts_ + static_cast<std::uint64_t>(samples)) & kPtsMask;
        at += length;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    ptsAt_ = ptsAt_ > at ? ptsAt_ - at : 0;
}

void TsDemuxer::releaseTitles(bool timed, std::uint64_t pts, Sink& sink) {
    for (auto it = titles_.begin(); it != titles_.end();) {
        if (!timed || !it->hasPts || atOrAfter(pts, it->pts)) {
            sink.title(it->text);
            it = titles_.erase(it);
        } else {
            ++it;
        }
    }
}

void TsDemuxer::id3Payload(Id3Stream& stream, const std::uint8_t* data, std::size_t size) {
    const std::size_t n = stream.bounded ? std::min(size, stream.left) : size;
    if (!stream.dropped && stream.tag.size() + n > kMaxId3) {
        stream.dropped = true;
        std::vector<std::uint8_t>().swap(stream.tag);
    }
    if (!stream.dropped) {
        stream.tag.insert(stream.tag.end(), data, data + n);
    }
    if (stream.bounded) {
        stream.left -= n;
        if (stream.left == 0) {
            finishId3(stream);
        }
    }
}

void TsDemuxer::finishId3(Id3Stream& stream) {
    if (stream.open && !stream.dropped) {
        std::string text = id3Title(stream.tag.data(), stream.tag.size());
        if (!text.empty()) {
            titles_.push_back({std::move(text), stream.hasPts, stream.pts});
            if (titles_.size() > kMaxTitles) {
                titles_.pop_front();
            }
        }
    }
    stream.open = false;
    stream.tag.clear();
}

}  // namespace zva
