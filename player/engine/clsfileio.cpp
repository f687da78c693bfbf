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

// The length of the frame whose header starts at `at`, or 0 when the bytes there cannot be a
// frame header (an MP3 header needs its third byte to tell; ADTS, its sixth).
std::uint32_t frameLength(FrameStart start, const unsigned char* bytes, std::uint32_t at) {
    if (start == FrameStart::Adts) {
        const std::uint32_t length =
            ((bytes[at + 3] & 0x03u) << 11) | (bytes[at + 4] << 3) | (bytes[at + 5] >> 5);
        return length < 7 ? 0 : length;
    }
    // MPEG-1 Layer III: 144 bytes per kbit/s over the sampling rate in kHz, plus the padding byte.
    static constexpr std::uint32_t kKbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                                112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr std::uint32_t kHz[4] = {44100, 48000, 32000, 0};
    const std::uint32_t kbps = kKbps[bytes[at + 2] >> 4];
    const std::uint32_t rate = kHz[(bytes[at + 2] >> 2) & 0x03u];
    if (kbps == 0 || rate == 0) {
        return 0;
    }
    return 144000 * kbps / rate + ((bytes[at + 2] >> 1) & 0x01u);
}

// A frame header at `at` whose frame length leads to the next header, where the block reaches
// that far: two bytes that merely look like a header inside a frame's data do not start a file.
bool isWholeFrame(FrameStart start, const unsigned char* bytes, std::uint32_t size,
                  std::uint32_t at) {
    const std::uint32_t headerEnd = start == FrameStart::Adts ? at + 6 : at + 2;
    if (headerEnd >= size) {
        return true;
    }
    const std::uint32_t length = frameLength(start, bytes, at);
    if (length == 0) {
        return false;
    }
    const std::uint32_t next = at + length;
    return next + 1 >= size || isFrameStart(start, bytes[next], bytes[next + 1]);
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
        if (!synced) {
            // A recording must begin with a whole frame header, or players report damage until
            // they find one: it starts at the first frame, without the bytes before it.
            for (std::uint32_t i = 0; i + 1 < size; ++i) {
                if (isFrameStart(start, bytes[i], bytes[i + 1]) &&
                    isWholeFrame(start, bytes, size, i)) {
                    synced = writeFlushed(bytes + i, size - i);
                    return synced;
                }
            }
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
