#include "writefolders.h"

#include "programpaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace zvpaths {
namespace {

bool inGroup(gid_t group) {
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    const int listed = ::getgroups(count, groups.data());
    return group == ::getegid() ||
           std::find(groups.begin(), groups.begin() + std::max(listed, 0), group) != groups.end();
}

// A variable of the user's folders; a relative path in it is not valid and counts as unset.
QString absoluteVariable(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}

QString musicFolder() {
    QString music = absoluteVariable("XDG_MUSIC_DIR");
    if (music.isEmpty()) {
        music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    }
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

}  // namespace

QString stateFolder() {
    const QString state = absoluteVariable("XDG_STATE_HOME");
    return (state.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : state) +
           QStringLiteral("/zenovia");
}

bool isWritableFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    // The kernel answers for a read-only mount, access lists and every user but root, whom it
    // lets write whatever the mode says: root is asked the mode bits of its class instead.
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        return false;
    }
    if (::geteuid() != 0) {
        return true;
    }
    const mode_t bit = info.st_uid == 0 ? S_IWUSR : inGroup(info.st_gid) ? S_IWGRP : S_IWOTH;
    return (info.st_mode & bit) != 0;
}

QString recordingFolder() {
    const QString program = programFolder();
    return isWritableFolder(program) ? program : musicFolder() + QStringLiteral("/Zenovia");
}

QString logFolder() {
    const QString program = programFolder();
    return isWritableFolder(program) ? program : stateFolder();
}

bool makeFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    for (qsizetype end = path.indexOf('/', 1); end != -1; end = path.indexOf('/', end + 1)) {
        ::mkdir(path.left(end).constData(), 0700);
    }
    ::mkdir(path.constData(), 0700);
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace zvpaths
