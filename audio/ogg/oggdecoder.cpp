#include "oggdecoder.h"

#include <algorithm>
#include <string>

namespace zva {

int OggDecoder::feed(const unsigned char* data, std::size_t size, ZVA_PcmSink sink, void* user) {
    // Taken in pieces, so that the reader holds little more than a page whatever the caller
    // hands over at once.
    constexpr std::size_t kPiece = 64 * 1024;
    while (size > 0 && !gaveUp_) {
        const std::size_t piece = std::min(size, kPiece);
        reader_.feed(data, piece);
        data += piece;
        size -= piece;
        while (!gaveUp_ && reader_.next(page_)) {
            onPage(sink, user);
        }
        if (!gaveUp_) {
            countLoss(static_cast<std::size_t>(reader_.skipped() - skipped_));
            skipped_ = reader_.skipped();
        }
    }
    return gaveUp_ ? ZVA_FEED_FATAL : ZVA_FEED_OK;
}

void OggDecoder::onPage(ZVA_PcmSink sink, void* user) {
    if (page_.beginsStream) {
        const bool repeated = std::find(group_.begin(), group_.end(), page_.serial) != group_.end();
        if (!inHeaders_ || repeated || group_.size() >= kMaxGroupStreams) {
            chain_.reset();
            group_.clear();
        }
        inHeaders_ = true;
        group_.push_back(page_.serial);
        if (!chain_) {
            chain_ = OggChain::begin(page_, sink, user);
            if (chain_ && chain_->state() == OggChain::State::OutOfMemory) {
                giveUp("out of memory");
                return;
            }
            if (chain_) {
                bytesLost_ = 0;
                return;
            }
        }
    } else {
        inHeaders_ = false;
        if (chain_ && chain_->serial() == page_.serial) {
            chain_->page(page_, sink, user);
            if (chain_->state() == OggChain::State::OutOfMemory) {
                giveUp("out of memory");
                return;
            }
            if (chain_->state() == OggChain::State::Playing) {
                bytesLost_ = 0;
                return;
            }
        }
    }
    countLoss(page_.bytes.size());
}

void OggDecoder::countLoss(std::size_t bytes) {
    bytesLost_ += bytes;
    if (bytesLost_ >= kMaxBytesWithoutSound) {
        giveUp(("no decodable page in " + std::to_string(bytesLost_) + " bytes").c_str());
    }
}

void OggDecoder::giveUp(const char* why) {
    gaveUp_ = true;
    reporter_((std::string("giving up: ") + why).c_str());
}

}  // namespace zva
