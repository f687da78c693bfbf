// Texts that arrive as 8-bit bytes (station files, downloads, stream tags): bytes that are valid
// UTF-8 are read as UTF-8, anything else as Windows-1250, the Central European code page.
// Pure functions; safe from any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace zvnet {

QString decodeText(const QByteArray& bytes);

}  // namespace zvnet
