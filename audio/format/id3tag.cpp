#include "id3tag.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "text.h"

namespace zva {
namespace {

constexpr std::size_t kHeader = 10;

std::size_t syncsafe(const std::uint8_t* p) {
    return std::size_t{p[0]} << 21 | std::size_t{p[1]} << 14 | std::size_t{p[2]} << 7 | p[3];
}

std::size_t bigEndian(const std::uint8_t* p, int bytes) {
    std::size_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | p[i];
    }
    return value;
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
std::vector<std::uint8_t> resync(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00) {
            ++i;
        }
    }
    return out;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

// UTF-16 code units up to the first NUL unit; lone surrogates and an odd last byte become
// U+FFFD.
std::string utf16(const std::uint8_t* p, std::size_t size, bool bigEndianOrder) {
    std::string out;
    const auto unit = [&](std::size_t i) -> char32_t {
        return bigEndianOrder ? char32_t{p[i]} << 8 | p[i + 1] : char32_t{p[i + 1]} << 8 | p[i];
    };
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        const char32_t c = unit(i);
        if (c == 0) {
            return out;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, c >= 0xD800 && c < 0xE000 ? kReplacement : c);
    }
    if (i < size) {
        appendUtf8(out, kReplacement);
    }
    return out;
}

// UTF-8 bytes up to the first NUL; a byte that starts no valid sequence becomes U+FFFD.
std::string utf8(const std::uint8_t* p, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size && p[i] != 0;) {
        const std::uint8_t b = p[i];
        const int more = b < 0x80                ? 0
                         : b >= 0xC2 && b < 0xE0 ? 1
                         : b >= 0xE0 && b < 0xF0 ? 2
                         : b >= 0xF0 && b < 0xF5 ? 3
                                                 : -1;
        char32_t c = more == 0 ? b : more == 1 ? b & 0x1F : more == 2 ? b & 0x0F : b & 0x07;
        bool valid = more >= 0 && i + static_cast<std::size_t>(more) < size;
        for (int k = 1; valid && k <= more; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
        constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kLeast[more] && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000);
        appendUtf8(out, valid ? c : kReplacement);
        i += valid ? static_cast<std::size_t>(more) + 1 : 1;
    }
    return out;
}

// A text frame's first value as UTF-8, trimmed.
std::string frameText(const std::uint8_t* p, std::size_t size) {
    if (size == 0) {
        return {};
    }
    const std::uint8_t encoding = p[0];
    ++p;
    --size;
    // Values may be led by terminators (padding some writers put in front).
    const std::size_t unitSize = encoding == 1 || encoding == 2 ? 2 : 1;
    while (size >= unitSize && p[0] == 0 && p[unitSize - 1] == 0) {
        p += unitSize;
        size -= unitSize;
    }
    std::string text;
    switch (encoding) {
        case 0:
            for (std::size_t i = 0; i < size && p[i] != 0; ++i) {
                appendUtf8(text, p[i]);
            }
            break;
        case 1:
            // Without a byte order mark the text is read in big-endian order, like encoding 2.
            if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
                text = utf16(p + 2, size - 2, false);
            } else if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
                text = utf16(p + 2, size - 2, true);
            } else {
                text = utf16(p, size, true);
            }
            break;
        case 2:
            text = utf16(p, size, true);
            break;
        case 3:
            text = utf8(p, size);
            break;
        default:
            return {};
    }
    return std::string(trim(text));
}

struct Frames {
    std::string artist;
    std::string title;
};

// The artist and title frames of a tag body (frames and padding, resynchronised as a whole
// where the tag says so).
Frames readFrames(const std::uint8_t* body, std::size_t size, int version, bool unsyncAll) {
    Frames found;
    const std::size_t idSize = version == 2 ? 3 : 4;
    const std::size_t headerSize = version == 2 ? 6 : 10;
    std::size_t at = 0;
    while (at + headerSize <= size && body[at] != 0) {
        const std::string_view id(reinterpret_cast<const char*>(body + at), idSize);
        const std::uint8_t* header = body + at;
        const std::size_t frameSize = version == 2   ? bigEndian(header + 3, 3)
                                      : version == 3 ? bigEndian(header + 4, 4)
                                                     : syncsafe(header + 4);
        at += headerSize;
        if (frameSize > size - at) {
            break;
        }
        const std::uint8_t* content = body + at;
        std::size_t contentSize = frameSize;
        at += frameSize;
        const bool artist = id == (version == 2 ? "TP1" : "TPE1");
        const bool title = id == (version == 2 ? "TT2" : "TIT2");
        if (!artist && !title) {
            continue;
        }
        const std::uint8_t flags = version == 2 ? 0 : header[9];
        std::vector<std::uint8_t> resynced;
        if (version == 3) {
            // Compressed or encrypted; a group byte leads the content.
            if ((flags & 0xC0) != 0) {
                continue;
            }
            const std::size_t group = (flags & 0x20) != 0 ? 1 : 0;
            if (group > contentSize) {
                continue;
            }
            content += group;
            contentSize -= group;
        } else if (version == 4) {
            if ((flags & 0x0C) != 0) {
                continue;
            }
            // A group byte, then a data length indicator, lead the content.
            const std::size_t extra = ((flags & 0x40) != 0 ? 1 : 0) + ((flags & 0x01) != 0 ? 4 : 0);
            if (extra > contentSize) {
                continue;
            }
            content += extra;
            contentSize -= extra;
            if (unsyncAll || (flags & 0x02) != 0) {
                resynced = resync(content, contentSize);
                content = resynced.data();
                contentSize = resynced.size();
            }
        }
        (artist ? found.artist : found.title) = frameText(content, contentSize);
    }
    return found;
}

}  // namespace

std::size_t id3TagSize(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader || data[0] != 'I' || data[1] != 'D' || data[2] != '3' || data[3] < 2 ||
        data[3] > 4 || data[4] == 0xFF || (data[6] | data[7] | data[8] | data[9]) >= 0x80) {
        return 0;
    }
    const bool footer = data[3] == 4 && (data[5] & 0x10) != 0;
    return kHeader + syncsafe(data + 6) + (footer ? kHeader : 0);
}

std::string id3Title(const std::uint8_t* data, std::size_t size) {
    const std::size_t whole = id3TagSize(data, size);
    if (whole == 0) {
        return {};
    }
    const int version = data[3];
    const std::uint8_t flags = data[5];
    const std::size_t bodySize = std::min(size, kHeader + syncsafe(data + 6)) - kHeader;
    const std::uint8_t* body = data + kHeader;
    // Up to version 2.3 unsynchronisation covers the whole body, extended header included; in
    // version 2.4 it is undone frame by frame.
    const bool unsync = (flags & 0x80) != 0;
    std::vector<std::uint8_t> resynced;
    std::size_t length = bodySize;
    if (unsync && version < 4) {
        resynced = resync(body, bodySize);
        body = resynced.data();
        length = resynced.size();
    }
    if ((flags & 0x40) != 0) {
        // Version 2.2 uses this flag for a compression that was never defined.
        if (version == 2 || length < 4) {
            return {};
        }
        const std::size_t extended = version == 3 ? 4 + bigEndian(body, 4) : syncsafe(body);
        if (extended > length) {
            return {};
        }
        body += extended;
        length -= extended;
    }
    const Frames frames = readFrames(body, length, version, unsync && version == 4);
    if (!frames.artist.empty() && !frames.title.empty()) {
        return frames.artist + " - " + frames.title;
    }
    return frames.artist.empty() ? frames.title : frames.artist;
}

}  // namespace zva
