// The download callback: shows the server's status text while connecting, keeps the current
// title's bytes (titlekeep.h) and, while recording is on, saves the received stream into one
// file per title (named by DoMeta). Each file starts at the title's first whole frame, also when
// recording is switched on in the middle of the title.
//
// Thread contract: SUBDOWNLOADPROC runs on the audio library's download thread; it takes the
// recording state's mutex for its whole file work, so a title change is seen between blocks,
// never inside one. createFileWriter is called once at start-up on the UI thread; until then
// the callback shows status texts but records nothing. endRecording runs on the UI thread.
#pragma once

#include <cstdint>

namespace zvengine {

// Creates the one recording file writer (start-up); a second call keeps the first writer.
void createFileWriter();

// Closes the recording file and forgets it and the kept bytes, so that the next stream records
// nothing until a title of its own names its file, which then starts at a frame start. Every
// stop and start of the sound calls it: the audio library tells no end of a stream it cancels.
void endRecording();

// buffer/length: a block of stream bytes; length 0 with a buffer: the server's status text;
// buffer null: the download has ended. user is the generation of the worker that created the
// stream (reinterpret_cast<void*>(std::uintptr_t{generation})); an overtaken stream's calls
// change nothing. No failure leaves it.
void SUBDOWNLOADPROC(const void* buffer, std::uint32_t length, void* user);

}  // namespace zvengine
