#include "shellopen.h"

#include <QDesktopServices>

namespace zvshell {
namespace {

Opener current = nullptr;

}  // namespace

void open(const QUrl& url) {
    if (current) {
        current(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

void setOpener(Opener opener) {
    current = opener;
}

}  // namespace zvshell
