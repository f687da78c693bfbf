#include "recordingname.h"

#include "streamformat.h"

#include "platform/errorchain.h"
#include "platform/programpaths.h"
#include "platform/writefolders.h"

#include <QFile>

#include <algorithm>

namespace zvengine {
namespace {

// The longest file name the file systems take, in bytes of its encoded form.
constexpr qsizetype kNameBytes = 255;

bool isSpecial(QChar c) {
    return QStringView(u":/\\?*|<>\"").contains(c);
}

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

qsizetype nameBytes(const QString& name) {
    return QFile::encodeName(name).size();
}

// The longest start of `text` in whole characters (a surrogate pair is one) whose encoded form
// takes at most `bytes` bytes; each character encodes on its own, so the parts add up.
QString leftBytes(const QString& text, qsizetype bytes) {
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype length = text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                                         text.at(end + 1).isLowSurrogate()
                                     ? 2
                                     : 1;
        bytes -= nameBytes(text.mid(end, length));
        if (bytes < 0) {
            break;
        }
        end += length;
    }
    return text.left(end);
}

}  // namespace

QString RemoveSpecialChar(const QString& text) {
    zverr::Procedure proc("modNetRadio", "RemoveSpecialChar");
    try {
        proc.step(1);
        QString kept;
        kept.reserve(text.size());
        for (const QChar c : text) {
            if (!isSpecial(c)) {
                kept.append(c);
            }
        }
        return kept;
    } catch (...) {
        proc.passOn();
    }
}

QString recordingPath(const QString& title, const QString& caption, std::uint32_t streamType) {
    const QString tail = QLatin1Char('_') + caption + recordingExtension(streamType);
    QString cleaned = RemoveSpecialChar(title);
    for (QChar& c : cleaned) {
        if (isControl(c)) {
            c = QLatin1Char(' ');
        }
    }
    return zvpaths::RPP(zvpaths::recordingFolder()) +
           leftBytes(cleaned, kNameBytes - nameBytes(tail)) + tail;
}

bool isRecordingPath(const QString& path) {
    const QString folder = zvpaths::RPP(zvpaths::recordingFolder());
    if (!path.startsWith(folder)) {
        return false;
    }
    const QString name = path.mid(folder.size());
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        nameBytes(name) > kNameBytes) {
        return false;
    }
    return std::none_of(name.begin(), name.end(),
                        [](QChar c) { return isControl(c) || isSpecial(c); });
}

}  // namespace zvengine
