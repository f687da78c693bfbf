#include "programpaths.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// True when path is a real folder (not a link) of this user's own, which nobody else may
// enter; a folder of ours that others could enter is closed first. Opening without following
// a link, then checking what was opened, leaves no gap for a swap between check and use.
bool isPrivateFolder(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool own = ::fstat(fd, &info) == 0 && info.st_uid == ::getuid() &&
                     ((info.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return own;
}

// <base>/zenovia-<uid>, made when missing; when that name is taken by a link or by a folder
// that is not ours, a fresh folder of our own under the same base.
QString privateFolder(const QString& base) {
    const QString named = base + QStringLiteral("/zenovia-%1").arg(::getuid());
    const QByteArray path = QFile::encodeName(named);
    ::mkdir(path.constData(), 0700);
    if (isPrivateFolder(path)) {
        return named;
    }
    QByteArray fresh = path + "-XXXXXX";
    if (::mkdtemp(fresh.data()) != nullptr) {
        return QFile::decodeName(fresh);
    }
    // No folder can be made: downloads into the named path fail instead of going elsewhere.
    return named;
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
