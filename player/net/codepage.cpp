#include "codepage.h"

#include "tagtext.h"

#include <QStringDecoder>

namespace zvnet {
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
    return QString::fromStdString(zva::tagTextToUtf8(bytes.toStdString()));
}

}  // namespace zvnet
