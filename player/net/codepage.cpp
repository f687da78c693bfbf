#include "codepage.h"

#include <QStringDecoder>

#include <iconv.h>

#include <memory>

namespace zvnet {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

QString fromWindows1250(const QByteArray& bytes) {
    const iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString::fromLatin1(bytes);
    }
    std::unique_ptr<void, IconvCloser> guard(cd);
    // One byte becomes at most three UTF-8 bytes in this code page.
    QByteArray out(bytes.size() * 3, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            // The few bytes the code page leaves undefined become a replacement character.
            ++in;
            --inLeft;
            if (outLeft >= 3) {
                *outPtr++ = '\xEF';
                *outPtr++ = '\xBF';
                *outPtr++ = '\xBD';
                outLeft -= 3;
            }
        }
    }
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
}

}  // namespace

QString decodeText(const QByteArray& bytes) {
    struct Mark {
        const char* bytes;
        QStringConverter::Encoding encoding;
    };
    for (const Mark& mark :
         {Mark{"\xEF\xBB\xBF", QStringConverter::Utf8}, Mark{"\xFF\xFE", QStringConverter::Utf16LE},
          Mark{"\xFE\xFF", QStringConverter::Utf16BE}}) {
        if (bytes.startsWith(mark.bytes)) {
            QStringDecoder decoder(mark.encoding, QStringConverter::Flag::Stateless);
            return decoder.decode(bytes.mid(static_cast<qsizetype>(qstrlen(mark.bytes))));
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return fromWindows1250(bytes);
}

}  // namespace zvnet
