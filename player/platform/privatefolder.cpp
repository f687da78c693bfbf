#include "privatefolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvpaths {
namespace {

// The note of the fresh folder made under one base, one small file per base.
QString recordOf(const QByteArray& named) {
    const QByteArray key =
        QCryptographicHash::hash(named, QCryptographicHash::Sha256).toHex().left(16);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Zenovia/mappa-") + QString::fromLatin1(key);
}

// The noted folder, when it is still one made for this name: directly beside it, named after
// it, and a private folder of ours.
QByteArray recordedFolder(const QByteArray& named) {
    QFile record(recordOf(named));
    if (!record.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray folder = record.readLine(4096).trimmed();
    const QByteArray rest = folder.mid(named.size());
    const bool ours = folder.startsWith(named + '-') && !rest.contains('/') &&
                      isPrivateFolder(folder, Made::ByUs);
    return ours ? folder : QByteArray();
}

void record(const QByteArray& named, const QByteArray& folder) {
    const QString path = recordOf(named);
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(folder + '\n');
        file.commit();
    }
}

}  // namespace

bool isPrivateFolder(const QByteArray& path, Made made) {
    // Opening without following a link, then checking what was opened, leaves no gap for a
    // swap between check and use.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool own = ::fstat(fd, &info) == 0 && info.st_uid == ::getuid() &&
                     ((info.st_mode & 077) == 0 || (made == Made::ByUs && ::fchmod(fd, 0700) == 0));
    ::close(fd);
    return own;
}

QString privateFolder(const QString& base) {
    const QString named = base + QStringLiteral("/zenovia-%1").arg(::getuid());
    const QByteArray path = QFile::encodeName(named);
    ::mkdir(path.constData(), 0700);
    if (isPrivateFolder(path, Made::ByUs)) {
        return named;
    }
    if (const QByteArray found = recordedFolder(path); !found.isEmpty()) {
        return QFile::decodeName(found);
    }
    QByteArray fresh = path + "-XXXXXX";
    if (::mkdtemp(fresh.data()) != nullptr) {
        record(path, fresh);
        return QFile::decodeName(fresh);
    }
    // No folder can be made: whatever uses the named path fails instead of going elsewhere.
    return named;
}

}  // namespace zvpaths
