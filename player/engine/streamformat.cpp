#include "streamformat.h"

#include "zvaudio.h"

#include <array>

namespace zvengine {
namespace {

struct StreamFormat {
    std::uint32_t ctype;
    const char* labelPrefix;
    const char* extension;
    FrameStart start;
};

constexpr std::array<StreamFormat, 5> kFormats = {{
    {ZVA_CTYPE_STREAM_MP3, "mp3 ", ".mp3", FrameStart::Mp3},
    {ZVA_CTYPE_STREAM_AAC, "aac+ ", ".aac", FrameStart::Adts},
    {ZVA_CTYPE_STREAM_VORBIS, "ogg ", ".ogg", FrameStart::OggPage},
    {ZVA_CTYPE_STREAM_OPUS, "opus ", ".opus", FrameStart::OggPage},
    {ZVA_CTYPE_STREAM_FLAC_OGG, "flac ", ".oga", FrameStart::OggPage},
}};

const StreamFormat* find(std::uint32_t ctype) {
    for (const StreamFormat& format : kFormats) {
        if (format.ctype == ctype) {
            return &format;
        }
    }
    return nullptr;
}

}  // namespace

QString formatLabelPrefix(std::uint32_t ctype) {
    const StreamFormat* format = find(ctype);
    return format != nullptr ? QLatin1String(format->labelPrefix) : QString();
}

QString recordingExtension(std::uint32_t ctype) {
    const StreamFormat* format = find(ctype);
    return QLatin1String(format != nullptr ? format->extension : ".mp3");
}

std::optional<FrameStart> frameStartOf(std::uint32_t ctype) {
    if (ctype == 0) {
        return std::nullopt;
    }
    const StreamFormat* format = find(ctype);
    return format != nullptr ? format->start : FrameStart::Mp3;
}

}  // namespace zvengine
