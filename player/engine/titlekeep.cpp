#include "titlekeep.h"

#include "platform/programpaths.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace zvengine {
namespace {

// The longest frame of any format (an Ogg page: 27 header bytes, 255 segments of 255 bytes and
// their table): a frame start found this far before the end of the bytes searched has had its
// next one checked.
constexpr std::size_t kLongestFrame = 27 + 255 + 255 * 255;

// A private file nobody else can open and that vanishes with the receiver: nameless where the
// file system allows it, else named and removed at once.
int openPrivateFile(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    const int file = ::open(name.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
        return file;
    }
    QByteArray pattern = name + "/zvkeep-XXXXXX";
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named >= 0) {
        ::unlink(pattern.constData());
    }
    return named;
}

}  // namespace

TitleKeep::TitleKeep(std::uint64_t limit) : limit_(limit) {}

TitleKeep::~TitleKeep() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

void TitleKeep::drop() {
    begin_ = end_ = followed_ = 0;
    started_ = gaveUp_ = false;
    unfollow();
    buffer_.reset();
    // The space goes back at once (the TEMP folder is often memory), and each title opens a
    // file of its own in the TEMP folder of the time.
    if (file_ >= 0) {
        ::close(file_);
        file_ = -1;
    }
}

void TitleKeep::keep(const unsigned char* data, std::size_t size, std::optional<FrameStart> start,
                     std::string_view chainHeaders) {
    if (gaveUp_) {
        return;
    }
    chainHeaders_ = chainHeaders;
    if (!started_) {
        const FoundFrame first = start ? FoundFrame{firstWholeFrame(*start, data, size), *start}
                                       : firstWholeFrameOfEither(data, size);
        if (first.offset == size) {
            return;
        }
        started_ = true;
        start_ = first.format;
        data += first.offset;
        size -= first.offset;
    }
    if (!open() || !makeRoom(size) || !writeAt(end_, data, size)) {
        giveUp(data, size);
        return;
    }
    const bool caughtUp = following() && followed_ == end_;
    end_ += size;
    if (caughtUp) {
        pass(data, size);
        followed_ = end_;
    } else if (following() && !copyTo(std::min(end_, followed_ + kCopyStep))) {
        giveUp(nullptr, 0);
    }
}

bool TitleKeep::follow(clsFileIo& writer, bool& synced) {
    if (gaveUp_) {
        return false;
    }
    follower_ = &writer;
    synced_ = &synced;
    followed_ = begin_;
    return true;
}

void TitleKeep::unfollow() {
    follower_ = nullptr;
    synced_ = nullptr;
}

bool TitleKeep::open() {
    if (file_ < 0) {
        file_ = openPrivateFile(zvpaths::tempFolder());
    }
    return file_ >= 0;
}

bool TitleKeep::makeRoom(std::size_t size) {
    // A block this large leaves no look-back worth keeping.
    if (size > limit_ / 4) {
        return false;
    }
    if (end_ + size - begin_ <= limit_) {
        return true;
    }
    // The new oldest byte: the first whole frame from where enough room is made.
    std::uint64_t from = end_ + size - limit_;
    while (from < end_) {
        const std::size_t length = std::min<std::uint64_t>(kCopyStep, end_ - from);
        if (!readAt(from, buffer(), length)) {
            return false;
        }
        const bool toTheEnd = from + length == end_;
        const std::size_t first = firstWholeFrame(start_, buffer(), length);
        if (first == length) {
            if (toTheEnd) {
                return false;
            }
            // A header may begin at the last byte searched.
            from += length - 1;
        } else if (first + kLongestFrame > length && !toTheEnd) {
            // Too near the end to have had its next header checked: searched again from it.
            from += first;
        } else {
            from += first;
            if (following() && followed_ < from && !copyTo(from)) {
                return false;
            }
            begin_ = from;
            return true;
        }
    }
    return false;
}

bool TitleKeep::copyTo(std::uint64_t to) {
    while (followed_ < to) {
        const std::size_t length = std::min<std::uint64_t>(kCopyStep, to - followed_);
        if (!readAt(followed_, buffer(), length)) {
            return false;
        }
        pass(buffer(), length);
        followed_ += length;
    }
    return true;
}

void TitleKeep::pass(const unsigned char* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    // The kept bytes begin at a frame start, so the follower's file does too.
    *synced_ = true;
    follower_->WriteBytes(data, static_cast<std::uint32_t>(size), *synced_, start_, chainHeaders_);
}

void TitleKeep::giveUp(const unsigned char* data, std::size_t size) {
    if (following()) {
        copyTo(end_);
        pass(data, size);
    }
    drop();
    gaveUp_ = true;
}

bool TitleKeep::writeAt(std::uint64_t at, const unsigned char* data, std::size_t size) {
    return overRing(at, size, [&](std::size_t done, std::size_t piece, off_t place) {
        return ::pwrite(file_, data + done, piece, place);
    });
}

bool TitleKeep::readAt(std::uint64_t at, unsigned char* into, std::size_t size) {
    return overRing(at, size, [&](std::size_t done, std::size_t piece, off_t place) {
        return ::pread(file_, into + done, piece, place);
    });
}

template <typename Io>
bool TitleKeep::overRing(std::uint64_t at, std::size_t size, Io io) const {
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t place = (at + done) % limit_;
        const std::size_t piece = std::min<std::uint64_t>(size - done, limit_ - place);
        const ssize_t moved = io(done, piece, static_cast<off_t>(place));
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

unsigned char* TitleKeep::buffer() {
    if (!buffer_) {
        buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kCopyStep);
    }
    return buffer_.get();
}

}  // namespace zvengine
