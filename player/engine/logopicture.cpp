#include "logopicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <array>

namespace {

struct Signature {
    QByteArray start;
    const char* format;
};

QByteArray formatOf(const QByteArray& bytes) {
    static const std::array<Signature, 4> signatures{{
        {QByteArrayLiteral("GIF87a"), "gif"},
        {QByteArrayLiteral("GIF89a"), "gif"},
        {QByteArrayLiteral("\x89PNG\r\n\x1a\n"), "png"},
        {QByteArrayLiteral("\xff\xd8\xff"), "jpeg"},
    }};
    for (const Signature& signature : signatures) {
        if (bytes.startsWith(signature.start)) {
            return signature.format;
        }
    }
    return {};
}

}  // namespace

QImage readLogoPicture(const QString& file) {
    QFile source(file);
    // The downloads that write logo files stop at 8 MiB.
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = source.readAll();
    const QByteArray format = formatOf(bytes);
    if (format.isEmpty()) {
        return {};
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}
