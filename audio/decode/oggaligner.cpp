#include "oggaligner.h"

namespace zva {

OggAligner::OggAligner() {
    ogg_stream_init(&headers_, 0);
}

OggAligner::~OggAligner() {
    ogg_stream_clear(&headers_);
}

bool OggAligner::feed(const std::uint8_t* data, std::size_t size, Sink& sink) {
    reader_.feed(data, size);
    while (reader_.next(page_)) {
        const bool firstAfterRestart = restarted_;
        restarted_ = false;
        if (!take(page_, firstAfterRestart, sink)) {
            return false;
        }
    }
    if (restarted_) {
        joinFailed_ = reader_.skipped() - skippedAtRestart_ >= kMaxSearch;
    }
    return true;
}

bool OggAligner::take(OggPage& page, bool firstAfterRestart, Sink& sink) {
    if (page.beginsStream) {
        // The first packet lies alone on its beginning-of-stream page in every mapping read
        // here; a stream of another kind beside a known chain (a grouped stream's skeleton)
        // travels with it.
        const std::string_view body = std::string_view(page.bytes).substr(page.headerSize);
        const OggStreamHeader header =
            readOggStreamHeader(reinterpret_cast<const unsigned char*>(body.data()), body.size());
        if (header.codec != OggCodec::Unknown || !hasChain_ || header_.codec == OggCodec::Unknown) {
            if (!release(sink)) {
                return false;
            }
            beginChain(page, header, firstAfterRestart, sink);
        }
    }
    if (inHeaders_ && page.serial == serial_) {
        held_ += page.bytes;
        return !readHeaders(page) || release(sink);
    }
    if (inHeaders_) {
        held_ += page.bytes;
        return held_.size() < kMaxHeld || release(sink);
    }
    return sink.pages(page.bytes, false);
}

void OggAligner::beginChain(const OggPage& page, const OggStreamHeader& header,
                            bool firstAfterRestart, Sink& sink) {
    // The chain whose headers went on last, beginning again as a new connection's first page:
    // its headers again.
    repeated_ = firstAfterRestart && passedSerial_ == page.serial;
    hasChain_ = true;
    serial_ = page.serial;
    header_ = header;
    packets_ = 0;
    title_.reset();
    inHeaders_ = true;
    ogg_stream_reset_serialno(&headers_, static_cast<int>(page.serial));
    sink.chainStarts(header);
}

bool OggAligner::readHeaders(OggPage& page) {
    ogg_page view = page.view();
    if (ogg_stream_pagein(&headers_, &view) != 0) {
        return true;
    }
    ogg_packet packet;
    int result;
    while ((result = ogg_stream_packetout(&headers_, &packet)) != 0) {
        if (result < 0) {
            return true;  // a page was lost: the headers cannot be read whole
        }
        ++packets_;
        if (packets_ > 1 && header_.codec == OggCodec::Flac &&
            isFlacFrame(packet.packet, static_cast<std::size_t>(packet.bytes))) {
            return true;
        }
        if (packets_ > 1 && isOggCommentPacket(header_.codec, packet.packet,
                                               static_cast<std::size_t>(packet.bytes))) {
            title_ = oggCommentTitle(header_.codec, packet.packet,
                                     static_cast<std::size_t>(packet.bytes));
            return true;
        }
        if (header_.codec == OggCodec::Unknown ||
            (header_.headerPackets > 0 && packets_ >= header_.headerPackets)) {
            return true;
        }
    }
    return held_.size() >= kMaxHeld;
}

bool OggAligner::release(Sink& sink) {
    if (!inHeaders_) {
        return true;
    }
    inHeaders_ = false;
    if (!repeated_) {
        passedSerial_ = serial_;
        if (title_) {
            sink.chainTitle(*title_);
        }
    }
    std::string held;
    held.swap(held_);
    return held.empty() || sink.pages(held, repeated_);
}

bool OggAligner::flush(Sink& sink) {
    return release(sink);
}

void OggAligner::restart() {
    reader_.reset();
    // A chain whose headers were held never went on.
    inHeaders_ = false;
    held_.clear();
    restarted_ = true;
    skippedAtRestart_ = reader_.skipped();
    joinFailed_ = false;
}

}  // namespace zva
