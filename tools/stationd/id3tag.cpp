#include "id3tag.h"

namespace id3tag {

namespace {

// A 28-bit size in four bytes of seven bits each, as ID3v2.4 stores sizes.
QByteArray syncsafe(qsizetype size) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[3 - i] = static_cast<char>((size >> (7 * i)) & 0x7F);
    }
    return out;
}

QByteArray frame(const char* id, const QByteArray& body) {
    return QByteArray(id) + syncsafe(body.size()) + QByteArray(2, '\0') + body;
}

// A text frame in UTF-8 (encoding byte 3).
QByteArray text(const char* id, const QByteArray& value) {
    return frame(id, '\x03' + value);
}

}  // namespace

QByteArray make(const QByteArray& title, std::optional<qint64> pts) {
    QByteArray frames;
    if (pts) {
        QByteArray stamp(8, '\0');
        for (int i = 0; i < 8; ++i) {
            stamp[7 - i] = static_cast<char>((*pts >> (8 * i)) & 0xFF);
        }
        frames += frame("PRIV",
                        QByteArray("com.apple.streaming.transportStreamTimestamp") + '\0' + stamp);
    }
    if (!title.isNull()) {
        const qsizetype dash = title.indexOf(" - ");
        if (dash >= 0) {
            frames += text("TPE1", title.left(dash));
        }
        frames += text("TIT2", dash >= 0 ? title.mid(dash + 3) : title);
    }
    return QByteArray("ID3\x04\x00\x00", 6) + syncsafe(frames.size()) + frames;
}

}  // namespace id3tag
