// A station logo from a downloaded file. The files come from servers the receiver does not
// control, so only the three picture formats a logo may have are read: GIF, PNG and JPEG. The
// format is decided by the file's first bytes, whatever its name, and only that format's reader
// sees the file; nothing else Qt could decode (SVG, BMP, XPM, ...) is tried.
//
// Thread contract: a pure function of the file; safe from any thread.
#pragma once

#include <QImage>
#include <QString>

// The picture in `file`; a null image when it is not a GIF, PNG or JPEG, or does not decode.
QImage readLogoPicture(const QString& file);
