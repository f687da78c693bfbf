// The recording file's name: the cleaned title, "_", the station's button caption and the
// extension of the stream's type, always directly in the recording folder (writefolders.h).
//
// Thread contract: pure functions apart from asking for the recording folder; safe from any
// thread.
#pragma once

#include <QString>

#include <cstdint>

namespace zvengine {

// The text without the characters a file name cannot hold: : / \ ? * | < > and ".
QString RemoveSpecialChar(const QString& text);

// The recording folder, "/", the title cleaned (control characters as blanks), "_", the caption
// as it is, and ".aac" for an AAC stream, else ".mp3". The title is cut, between whole
// characters, so that the name takes at most the 255 bytes a file name may have.
QString recordingPath(const QString& title, const QString& caption, std::uint32_t streamType);

// True only for a file directly in the recording folder whose name takes at most 255 bytes and
// holds none of the characters RemoveSpecialChar removes and no control character; a
// recording is opened at no other path.
bool isRecordingPath(const QString& path);

}  // namespace zvengine
