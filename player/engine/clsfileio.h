// The recording file writer: one file at a time, created afresh, every write flushed to the
// disk at once. Writing starts at the first frame start of the stream, so that the file
// begins with a frame header a player can sync on; an Ogg file that begins inside a chain
// starts with the chain's header pages.
//
// Thread contract: not thread-safe; the one object is used from the audio library's download
// callback only, with the recording state's mutex held.
#pragma once

#include "framestart.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zvengine {

class clsFileIo {
public:
    clsFileIo() = default;
    ~clsFileIo();
    clsFileIo(const clsFileIo&) = delete;
    clsFileIo& operator=(const clsFileIo&) = delete;

    // Creates the file, replacing an existing one; never follows a symbolic link. Does not close
    // a file still open: callers close first.
    bool OpenFile(const QString& path);
    // False when nothing is open (never opened, failed or closed already).
    bool CloseFile();
    // Until `synced`, searches the block for a frame start: from the first whole frame on, the
    // block is written and `synced` set; a block without one writes nothing. Once synced, the
    // whole block is written. True when what was due was written and flushed. `chainHeaders`:
    // an Ogg stream's current chain header pages, written first when the file's first page is
    // not the chain's beginning page.
    bool WriteBytes(const void* data, std::uint32_t size, bool& synced, FrameStart start,
                    std::string_view chainHeaders = {});

private:
    // Before the file's first bytes: what must precede them.
    bool writeStart(const unsigned char* data, std::size_t size, FrameStart start,
                    std::string_view chainHeaders);
    bool writeFlushed(const unsigned char* data, std::size_t size);

    int fileHandle = -1;   // the open file; -1 = none (before the first open, failed, closed)
    QString fileName;      // the last file opened successfully
    bool started = false;  // the open file has been given bytes
};

}  // namespace zvengine
