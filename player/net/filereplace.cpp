#include "filereplace.h"

#include <QFile>
#include <QTemporaryFile>

#include <cstdio>

namespace zvnet {

bool replaceFile(const QString& path, const QByteArray& content) {
    // A new file with a unique name (created exclusively, mode 0600) cannot be a planted link.
    QTemporaryFile fresh(path + QStringLiteral(".XXXXXX"));
    if (!fresh.open() || fresh.write(content) != content.size() || !fresh.flush()) {
        return false;
    }
    // rename() replaces the directory entry itself, so a link at path is never followed.
    if (std::rename(QFile::encodeName(fresh.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        return false;
    }
    fresh.setAutoRemove(false);
    return true;
}

}  // namespace zvnet
