// What the receiver makes of each stream type the audio library reports: the label's prefix,
// the recording files' extension and where a recording may begin.
//
// Thread contract: pure functions; safe from any thread.
#pragma once

#include "framestart.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace zvengine {

// The format label's prefix, put before the bit rate ("mp3 ", "aac+ ", "ogg ", "opus ",
// "flac "); empty for a type the receiver does not name.
QString formatLabelPrefix(std::uint32_t ctype);

// The recording files' extension, with its dot; ".mp3" for a type the receiver does not name.
QString recordingExtension(std::uint32_t ctype);

// Where a recording of the type may begin; nullopt while the type is not known (0). A type the
// receiver does not name is taken as MP3.
std::optional<FrameStart> frameStartOf(std::uint32_t ctype);

}  // namespace zvengine
