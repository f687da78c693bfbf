// The recording file's name: the cleaned title, "_", the station's button caption and the
// extension of the stream's type, always directly in the program folder.
//
// Thread contract: pure functions apart from reading the program folder; safe from any thread.
#pragma once

#include <QString>

#include <cstdint>

namespace zvengine {

// The text without the characters a file name cannot hold: : / \ ? * | < > and ".
QString RemoveSpecialChar(const QString& text);

// The program folder, "/", the title's first 254 characters cleaned, "_", the caption as it
// is, and ".aac" for an AAC stream, else ".mp3".
QString recordingPath(const QString& title, const QString& caption, std::uint32_t streamType);

// True only for a file directly in the program folder whose name holds none of the characters
// RemoveSpecialChar removes and no control character; a recording is opened at no other path.
bool isRecordingPath(const QString& path);

}  // namespace zvengine
