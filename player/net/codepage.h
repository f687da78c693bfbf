// Texts that arrive as bytes (station files, downloads, stream tags): a leading byte-order mark
// names UTF-8 or UTF-16 (little or big endian) and is dropped; without one, bytes that are
// valid UTF-8 are read as UTF-8, anything else as Windows-1250, the Central European code page.
// Pure functions; safe from any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace zvnet {

QString decodeText(const QByteArray& bytes);

}  // namespace zvnet
