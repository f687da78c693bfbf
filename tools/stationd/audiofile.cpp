#include "audiofile.h"

#include <QFile>

#include <array>
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

}  // namespace

std::shared_ptr<const AudioFile> AudioFile::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return nullptr;
    }
    const QByteArray data = file.readAll();
    const std::optional<qsizetype> start = firstFrame(data);
    if (!start) {
        *error = QStringLiteral("%1: no MPEG audio or ADTS frames found").arg(path);
        return nullptr;
    }
    const Kind kind = frameAt(data, *start, std::nullopt)->kind;
    double seconds = 0;
    qsizetype at = *start;
    while (const std::optional<Frame> frame = frameAt(data, at, kind)) {
        seconds += static_cast<double>(frame->samples) / frame->sampleRate;
        at += frame->length;
    }
    auto audio = std::make_shared<AudioFile>();
    audio->frames_ = data.mid(*start, at - *start);
    audio->bytesPerSecond_ = audio->frames_.size() / seconds;
    audio->contentType_ = kind == Kind::Mpeg ? "audio/mpeg" : "audio/aac";
    return audio;
}
