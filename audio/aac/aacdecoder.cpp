#include "aacdecoder.h"

#include <neaacdec.h>

#include <string>

namespace zva {

void AacDecoder::FaadClose::operator()(void* handle) const {
    NeAACDecClose(handle);
}

AacDecoder::FaadHandle AacDecoder::openFaad() {
    FaadHandle handle(NeAACDecOpen());
    if (!handle) {
        return handle;
    }
    NeAACDecConfigurationPtr config = NeAACDecGetCurrentConfiguration(handle.get());
    config->defObjectType = LC;
    config->outputFormat = FAAD_FMT_FLOAT;
    // Multichannel streams are folded down to the stereo pair the output expects.
    config->downMatrix = 1;
    // ADTS cannot announce SBR: an HE-AAC stream shows its core rate (at most 24 kHz) in every
    // header. Letting FAAD2 upsample such streams is what makes their SBR part audible.
    config->dontUpSampleImplicitSBR = 0;
    if (NeAACDecSetConfiguration(handle.get(), config) == 0) {
        handle.reset();
    }
    return handle;
}

std::unique_ptr<AacDecoder> AacDecoder::create(Reporter reporter) {
    FaadHandle handle = openFaad();
    if (!handle) {
        return nullptr;
    }
    return std::unique_ptr<AacDecoder>(new AacDecoder(std::move(handle), reporter));
}

int AacDecoder::feed(const unsigned char* data, size_t size, ZVA_PcmSink sink, void* user) {
    if (!gaveUp_) {
        sink_ = sink;
        user_ = user;
        sync_.feed(data, size);
        sink_ = nullptr;
        user_ = nullptr;
    }
    return gaveUp_ ? ZVA_FEED_FATAL : ZVA_FEED_OK;
}

bool AacDecoder::start(std::span<const unsigned char> frame, const AdtsHeader& header) {
    stream_.reset();
    if (faadUsed_) {
        // FAAD2 keeps the earlier stream's setup; a changed stream needs a fresh decoder.
        faad_ = openFaad();
        if (!faad_) {
            fail("out of memory", frame.size());
            return false;
        }
    }
    faadUsed_ = true;
    unsigned long rate = 0;
    unsigned char channels = 0;
    // FAAD2 takes non-const buffers but only reads them.
    auto* bytes = const_cast<unsigned char*>(frame.data());
    if (NeAACDecInit(faad_.get(), bytes, frame.size(), &rate, &channels) < 0) {
        fail("the decoder does not accept the stream's format", frame.size());
        return false;
    }
    stream_ = header;
    return true;
}

void AacDecoder::onFrame(std::span<const unsigned char> frame) {
    if (gaveUp_) {
        return;
    }
    // The sync hands over only frames whose header it has parsed.
    const AdtsHeader header = *AdtsHeader::parse(frame.data());
    if ((!stream_ || !stream_->sameStream(header)) && !start(frame, header)) {
        return;
    }
    NeAACDecFrameInfo info{};
    auto* bytes = const_cast<unsigned char*>(frame.data());
    const auto* samples =
        static_cast<const float*>(NeAACDecDecode(faad_.get(), &info, bytes, frame.size()));
    // A damaged frame comes back with an error code and nothing consumed; the sync has already
    // moved past it, so it is simply dropped.
    if (info.error != 0 || info.bytesconsumed == 0) {
        fail(info.error != 0 ? NeAACDecGetErrorMessage(info.error) : "frame not consumed",
             frame.size());
        return;
    }
    failedFrames_ = 0;
    bytesLost_ = 0;
    if (samples != nullptr && info.samples > 0 && info.channels > 0) {
        sink_(user_, samples, info.samples / info.channels, static_cast<int>(info.samplerate),
              info.channels);
    }
}

void AacDecoder::onSkipped(size_t bytes) {
    if (!gaveUp_) {
        countLoss(bytes);
    }
}

void AacDecoder::fail(const std::string& what, size_t bytes) {
    if (!reported_) {
        reported_ = true;
        reporter_(("skipping undecodable data: " + what).c_str());
    }
    ++failedFrames_;
    countLoss(bytes);
}

void AacDecoder::countLoss(size_t bytes) {
    bytesLost_ += bytes;
    if (failedFrames_ >= kMaxFailedFrames || bytesLost_ >= kMaxBytesWithoutSound) {
        gaveUp_ = true;
        reporter_(("giving up after " + std::to_string(failedFrames_) +
                   " bad frames in a row and " + std::to_string(bytesLost_) +
                   " bytes without sound")
                      .c_str());
    }
}

}  // namespace zva
