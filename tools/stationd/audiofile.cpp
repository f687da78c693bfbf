#include "audiofile.h"

#include "oggheaders.h"
#include "oggpage.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

enum class Kind { Mpeg, Adts };

struct Frame {
    Kind kind;
    int length;   // bytes, header included
    int samples;  // per channel
    int sampleRate;
};

// Bit rates in kbit/s by bit-rate index, for MPEG 1 layers I, II, III and MPEG 2/2.5 layer I,
// then layers II and III (which share one table).
constexpr std::array<std::array<int, 15>, 5> kBitRates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};
constexpr std::array<int, 13> kAdtsRates{96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                         22050, 16000, 12000, 11025, 8000,  7350};

std::optional<Frame> mpegFrame(const uchar* p) {
    const int version = (p[1] >> 3) & 3;  // 0 = 2.5, 1 reserved, 2 = 2, 3 = 1
    const int layer = 4 - ((p[1] >> 1) & 3);
    const int rateIndex = p[2] >> 4;
    const int srIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 4 || rateIndex == 0 || rateIndex == 15 || srIndex == 3) {
        return std::nullopt;
    }
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    const int bitRate = kBitRates[table][rateIndex] * 1000;
    constexpr std::array<int, 3> kRates{44100, 48000, 32000};
    const int sampleRate = kRates[srIndex] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1) {
        return Frame{Kind::Mpeg, (12 * bitRate / sampleRate + padding) * 4, 384, sampleRate};
    }
    const bool half = layer == 3 && !mpeg1;
    const int samples = half ? 576 : 1152;
    return Frame{Kind::Mpeg, samples / 8 * bitRate / sampleRate + padding, samples, sampleRate};
}

std::optional<Frame> adtsFrame(const uchar* p) {
    const int srIndex = (p[2] >> 2) & 0xF;
    const int length = ((p[3] & 3) << 11) | (p[4] << 3) | (p[5] >> 5);
    if (srIndex >= static_cast<int>(kAdtsRates.size()) || length < 7) {
        return std::nullopt;
    }
    return Frame{Kind::Adts, length, 1024 * ((p[6] & 3) + 1), kAdtsRates[srIndex]};
}

// The frame whose header starts at `at`, when a whole frame of `kind` fits before `end`.
std::optional<Frame> frameAt(const QByteArray& data, qsizetype at, std::optional<Kind> kind) {
    if (data.size() - at < 7) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const bool adts = (p[1] & 0xF6) == 0xF0;
    std::optional<Frame> frame = adts ? adtsFrame(p) : mpegFrame(p);
    if (!frame || (kind && frame->kind != *kind) || frame->length > data.size() - at) {
        return std::nullopt;
    }
    return frame;
}

// The first offset where two frames of one kind follow each other (or one ends the data).
std::optional<qsizetype> firstFrame(const QByteArray& data) {
    for (qsizetype at = 0; at + 7 <= data.size(); ++at) {
        const std::optional<Frame> frame = frameAt(data, at, std::nullopt);
        if (!frame) {
            continue;
        }
        const qsizetype next = at + frame->length;
        if (next == data.size() || frameAt(data, next, frame->kind)) {
            return at;
        }
    }
    return std::nullopt;
}

// The logical stream of one chain, read page by page: which of its pages hold header packets,
// and its playing time from its last granule position.
class ChainReader {
public:
    explicit ChainReader(std::uint32_t serial) : serial_(serial) {
        ogg_stream_init(&stream_, static_cast<int>(serial));
    }
    ~ChainReader() { ogg_stream_clear(&stream_); }
    ChainReader(const ChainReader&) = delete;
    ChainReader& operator=(const ChainReader&) = delete;

    std::uint32_t serial() const { return serial_; }
    // Takes the next page of the stream; true when it is a header page: the first packet that
    // ends on it is a header packet, or none ends on it while the headers are not complete.
    bool add(zva::OggPage& page);
    // Whether the first packet named a codec and a sample rate.
    bool known() const { return header_.codec != zva::OggCodec::Unknown && header_.sampleRate > 0; }
    double seconds() const {
        return std::max(0.0, static_cast<double>(granule_ - preSkip_) / header_.sampleRate);
    }

private:
    bool isHeader(const ogg_packet& packet);

    const std::uint32_t serial_;
    ogg_stream_state stream_;
    zva::OggStreamHeader header_;
    int packets_ = 0;
    bool headersDone_ = false;
    std::int64_t preSkip_ = 0;
    std::int64_t granule_ = 0;
};

bool ChainReader::add(zva::OggPage& page) {
    ogg_page view = page.view();
    ogg_stream_pagein(&stream_, &view);
    if (page.granule >= 0) {
        granule_ = page.granule;
    }
    std::optional<bool> firstIsHeader;
    ogg_packet packet;
    for (int result; (result = ogg_stream_packetout(&stream_, &packet)) != 0;) {
        if (result < 0) {
            continue;  // a gap where a damaged page was skipped
        }
        const bool header = isHeader(packet);
        firstIsHeader = firstIsHeader.value_or(header);
        ++packets_;
        headersDone_ = headersDone_ || !header || packets_ == header_.headerPackets;
    }
    return firstIsHeader.value_or(!headersDone_);
}

bool ChainReader::isHeader(const ogg_packet& packet) {
    const auto size = static_cast<std::size_t>(packet.bytes);
    if (packets_ == 0) {
        header_ = zva::readOggStreamHeader(packet.packet, size);
        // OpusHead: the samples to drop at the start, 16-bit little-endian at byte 10.
        if (header_.codec == zva::OggCodec::Opus && size >= 12) {
            preSkip_ = packet.packet[10] | packet.packet[11] << 8;
        }
        return true;
    }
    // A FLAC chain that does not count its headers has them up to its first audio frame.
    return !headersDone_ && (packets_ < header_.headerPackets ||
                             (header_.codec == zva::OggCodec::Flac && header_.headerPackets == 0 &&
                              !zva::isFlacFrame(packet.packet, size)));
}

}  // namespace

std::shared_ptr<const AudioFile> AudioFile::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return nullptr;
    }
    const QByteArray data = file.readAll();
    auto audio = std::make_shared<AudioFile>();
    const bool loaded = data.startsWith("OggS") ? audio->walkOgg(data, path, error)
                                                : audio->walkFrames(data, path, error);
    return loaded ? audio : nullptr;
}

bool AudioFile::walkFrames(const QByteArray& data, const QString& path, QString* error) {
    const std::optional<qsizetype> start = firstFrame(data);
    if (!start) {
        *error = QStringLiteral("%1: no MPEG audio or ADTS frames found").arg(path);
        return false;
    }
    const Kind kind = frameAt(data, *start, std::nullopt)->kind;
    double seconds = 0;
    qsizetype at = *start;
    while (const std::optional<Frame> frame = frameAt(data, at, kind)) {
        const double length = static_cast<double>(frame->samples) / frame->sampleRate;
        units_.push_back({at - *start, false, -1});
        frames_.push_back({at - *start, frame->length, seconds, length});
        seconds += length;
        at += frame->length;
    }
    bytes_ = data.mid(*start, at - *start);
    bytesPerSecond_ = bytes_.size() / seconds;
    contentType_ = kind == Kind::Mpeg ? "audio/mpeg" : "audio/aac";
    return true;
}

bool AudioFile::walkOgg(const QByteArray& data, const QString& path, QString* error) {
    zva::OggPageReader reader;
    reader.feed(reinterpret_cast<const unsigned char*>(data.constData()),
                static_cast<std::size_t>(data.size()));
    std::optional<ChainReader> chain;
    double seconds = 0;
    // Adds up the chain read so far; false when its codec is not known.
    const auto finishChain = [&] {
        if (chain && !chain->known()) {
            *error = QStringLiteral("%1: the Ogg chain at byte %2 is not Vorbis, Opus or FLAC")
                         .arg(path)
                         .arg(chains_.back().start);
            return false;
        }
        seconds += chain ? chain->seconds() : 0;
        return true;
    };
    bool afterBeginning = false;
    zva::OggPage page;
    while (reader.next(page)) {
        const qint64 offset = bytes_.size();
        // Grouped beginning-of-stream pages open one chain together.
        if (page.beginsStream && !afterBeginning) {
            if (!finishChain()) {
                return false;
            }
            chain.emplace(page.serial);
            chains_.push_back({offset, offset});
        }
        afterBeginning = page.beginsStream;
        if (!chain) {
            continue;  // pages before the first chain's beginning
        }
        bytes_.append(page.bytes.data(), static_cast<qsizetype>(page.bytes.size()));
        units_.push_back({offset, page.continued, static_cast<int>(chains_.size()) - 1});
        if (page.serial == chain->serial() && chain->add(page)) {
            chains_.back().headersEnd = bytes_.size();
        }
    }
    if (!finishChain()) {
        return false;
    }
    if (seconds <= 0) {
        *error = QStringLiteral("%1: no Ogg chain with a playing time found").arg(path);
        return false;
    }
    bytesPerSecond_ = bytes_.size() / seconds;
    contentType_ = "application/ogg";
    return true;
}

AudioFile::Join AudioFile::join(double seconds) const {
    const auto position = static_cast<qint64>(
        std::fmod(seconds * bytesPerSecond_, static_cast<double>(bytes_.size())));
    const auto after =
        std::upper_bound(units_.begin(), units_.end(), position,
                         [](qint64 at, const Unit& unit) { return at < unit.offset; });
    // The first unit starts at 0, so the position lies in one.
    auto index = static_cast<std::size_t>(after - units_.begin()) - 1;
    for (std::size_t n = 0; units_[index].continued && n < units_.size(); ++n) {
        index = (index + 1) % units_.size();
    }
    const Unit& unit = units_[index];
    if (unit.chain < 0) {
        return {{}, unit.offset};
    }
    const Chain& chain = chains_[static_cast<std::size_t>(unit.chain)];
    if (unit.offset < chain.headersEnd) {
        return {{}, chain.start};
    }
    return {bytes_.mid(chain.start, chain.headersEnd - chain.start), unit.offset};
}
