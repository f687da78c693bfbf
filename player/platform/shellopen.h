// Opening an address or a document with the desktop's default handler (web browser, PDF
// viewer, text editor), behind a seam so tests can see what would be opened.
//
// Thread contract: UI thread only.
#pragma once

#include <QUrl>

namespace zvshell {

// Hands url to the desktop; the result is not examined.
void open(const QUrl& url);

using Opener = void (*)(const QUrl& url);
void setOpener(Opener opener);  // nullptr restores the desktop

}  // namespace zvshell
