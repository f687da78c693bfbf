// The one box that shows a failure of the audio library: the given text, an empty line and the
// library's last error code (caption "Error", exclamation icon, OK). The current stream worker
// is released first.
//
// Thread contract: UI thread only; the error code is the calling thread's own.
#pragma once

#include <QString>

namespace zverr {

void Error_(const QString& text);

}  // namespace zverr
