#include "programpaths.h"

#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace zvpaths {
namespace {

std::mutex folderLock;
QString folderOverride;  // guarded by folderLock

QString executableFolder() {
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .symLinkTarget()
        .section(QLatin1Char('/'), 0, -2);
}

}  // namespace

QString programFolder() {
    {
        std::lock_guard lock(folderLock);
        if (!folderOverride.isEmpty()) {
            return folderOverride;
        }
    }
    static const QString folder = executableFolder();
    return folder;
}

void setProgramFolder(const QString& folder) {
    std::lock_guard lock(folderLock);
    folderOverride = folder;
}

QString tempFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) {
            return value;
        }
    }
    return QStringLiteral("/tmp");
}

QString RPP(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool FileExists(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

}  // namespace zvpaths
