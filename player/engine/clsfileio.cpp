#include "clsfileio.h"

#include "oggchainheaders.h"

#include "platform/errorchain.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace zvengine {

clsFileIo::~clsFileIo() {
    if (fileHandle >= 0) {
        ::close(fileHandle);
    }
}

bool clsFileIo::OpenFile(const QString& path) {
    zverr::Procedure proc("clsFileIo", "OpenFile");
    try {
        proc.step(1);
        const QByteArray name = QFile::encodeName(path);
        fileHandle =
            ::open(name.constData(), O_CREAT | O_TRUNC | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fileHandle < 0) {
            return false;
        }
        proc.step(2);
        fileName = path;
        started = false;
        return true;
    } catch (...) {
        proc.passOn();
    }
}

bool clsFileIo::CloseFile() {
    if (fileName.isEmpty() || fileHandle < 0) {
        return false;
    }
    ::close(fileHandle);
    fileHandle = -1;
    return true;
}

bool clsFileIo::WriteBytes(const void* data, std::uint32_t size, bool& synced, FrameStart start,
                           std::string_view chainHeaders) {
    zverr::Procedure proc("clsFileIo", "WriteBytes");
    try {
        proc.step(1);
        if (fileName.isEmpty() || fileHandle < 0) {
            return false;
        }
        const auto* bytes = static_cast<const unsigned char*>(data);
        proc.step(2);
        if (!synced) {
            // A recording must begin with a whole frame header, or players report damage until
            // they find one: it starts at the first frame, without the bytes before it.
            const std::size_t first = firstWholeFrame(start, bytes, size);
            if (first == size) {
                return false;
            }
            synced = writeStart(bytes + first, size - first, start, chainHeaders) &&
                     writeFlushed(bytes + first, size - first);
            return synced;
        }
        proc.step(3);
        return writeStart(bytes, size, start, chainHeaders) && writeFlushed(bytes, size);
    } catch (...) {
        proc.passOn();
    }
}

bool clsFileIo::writeStart(const unsigned char* data, std::size_t size, FrameStart start,
                           std::string_view chainHeaders) {
    if (started) {
        return true;
    }
    started = true;
    // An Ogg file plays from its chain's headers: a file that begins inside the chain gets
    // them first.
    if (start != FrameStart::OggPage || beginsOggChain(data, size) || chainHeaders.empty()) {
        return true;
    }
    return writeFlushed(reinterpret_cast<const unsigned char*>(chainHeaders.data()),
                        chainHeaders.size());
}

bool clsFileIo::writeFlushed(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fileHandle, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return ::fdatasync(fileHandle) == 0;
}

}  // namespace zvengine
