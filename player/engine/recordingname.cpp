#include "recordingname.h"

#include "platform/errorchain.h"
#include "platform/programpaths.h"
#include "zvaudio.h"

namespace zvengine {
namespace {

constexpr qsizetype kTitleLimit = 254;

bool isSpecial(QChar c) {
    return QStringView(u":/\\?*|<>\"").contains(c);
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
    const QLatin1String extension(streamType == ZVA_CTYPE_STREAM_AAC ? ".aac" : ".mp3");
    return zvpaths::RPP(zvpaths::programFolder()) + RemoveSpecialChar(title.left(kTitleLimit)) +
           QLatin1Char('_') + caption + extension;
}

bool isRecordingPath(const QString& path) {
    const QString folder = zvpaths::RPP(zvpaths::programFolder());
    if (!path.startsWith(folder)) {
        return false;
    }
    const QString name = path.mid(folder.size());
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || isSpecial(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace zvengine
