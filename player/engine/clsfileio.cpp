#include "clsfileio.h"

#include "platform/errorchain.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace zvengine {
namespace {

bool isFrameStart(FrameStart start, unsigned char first, unsigned char second) {
    if (first != 0xFF) {
        return false;
    }
    return start == FrameStart::Mp3 ? second == 0xFB : (second == 0xF1 || second == 0xF9);
}

// An ADTS header at `at` whose frame length leads to the next header, where the block reaches
// that far: two bytes that merely look like a header inside a frame's data do not start a file.
bool isAdtsFrame(const unsigned char* bytes, std::uint32_t size, std::uint32_t at) {
    if (at + 6 >= size) {
        return true;
    }
    const std::uint32_t length =
        ((bytes[at + 3] & 0x03u) << 11) | (bytes[at + 4] << 3) | (bytes[at + 5] >> 5);
    if (length < 7) {
        return false;
    }
    const std::uint32_t next = at + length;
    return next + 1 >= size || isFrameStart(FrameStart::Adts, bytes[next], bytes[next + 1]);
}

}  // namespace

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

bool clsFileIo::WriteBytes(const void* data, std::uint32_t size, bool& synced, FrameStart start) {
    zverr::Procedure proc("clsFileIo", "WriteBytes");
    try {
        proc.step(1);
        if (fileName.isEmpty() || fileHandle < 0) {
            return false;
        }
        const auto* bytes = static_cast<const unsigned char*>(data);
        proc.step(2);
        for (std::uint32_t i = 0; !synced && i + 1 < size; ++i) {
            if (!isFrameStart(start, bytes[i], bytes[i + 1])) {
                continue;
            }
            if (start == FrameStart::Adts) {
                // An AAC file must begin with a whole frame header, or players report damage
                // until they find one: it starts at the header, without the bytes before it.
                if (!isAdtsFrame(bytes, size, i)) {
                    continue;
                }
                synced = writeFlushed(bytes + i, size - i);
                return synced;
            }
            const unsigned char header[3] = {bytes[i], bytes[i + 1],
                                             i + 2 < size ? bytes[i + 2] : std::uint8_t{0}};
            synced = writeFlushed(header, sizeof header);
        }
        if (!synced) {
            return false;
        }
        proc.step(3);
        return writeFlushed(bytes, size);
    } catch (...) {
        proc.passOn();
    }
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
