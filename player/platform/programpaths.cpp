#include "programpaths.h"

#include "privatefolder.h"

#include <QFile>
#include <QFileInfo>

#include <map>
#include <mutex>

namespace zvpaths {
namespace {

std::mutex folderLock;
QString folderOverride;  // guarded by folderLock

std::mutex tempLock;
std::map<QString, QString> tempFolders;  // base → private folder in use; guarded by tempLock

QString executableFolder() {
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .symLinkTarget()
        .section(QLatin1Char('/'), 0, -2);
}

QString tempBase() {
    for (const char* name : {"TEMP", "XDG_RUNTIME_DIR", "TMPDIR"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) {
            return value;
        }
    }
    return QStringLiteral("/tmp");
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

QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(QFile::encodeName(runtime), Made::ByOthers)) {
        return runtime;
    }
    static const QString fallback = privateFolder(QStringLiteral("/tmp"));
    return fallback;
}

QString tempFolder() {
    const QString base = tempBase();
    std::lock_guard lock(tempLock);
    auto found = tempFolders.find(base);
    if (found == tempFolders.end()) {
        found = tempFolders.emplace(base, privateFolder(base)).first;
    }
    return found->second;
}

QString RPP(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool FileExists(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

}  // namespace zvpaths
