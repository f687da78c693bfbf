#include "historyfile.h"

#include "net/filereplace.h"
#include "platform/writefolders.h"
#include "titlehistory.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace zvengine {
namespace {

constexpr int kKeptDays = 30;
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

std::optional<HeardTitle> parse(const QByteArray& line) {
    const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
    if (fields.size() != 3) {
        return std::nullopt;
    }
    const QDateTime time = QDateTime::fromString(fields[0], kTimeFormat);
    if (!time.isValid()) {
        return std::nullopt;
    }
    return HeardTitle{time, fields[1], fields[2]};
}

}  // namespace

HistoryFile::HistoryFile(QString path) : path_(std::move(path)) {}

QString HistoryFile::inStateFolder() {
    return zvpaths::stateFolder() + QStringLiteral("/elhangzott.tsv");
}

QString HistoryFile::field(QString text) {
    for (const QChar breaking : {u'\t', u'\r', u'\n'}) {
        text.replace(breaking, QLatin1Char(' '));
    }
    return text;
}

QStringList HistoryFile::fields(const HeardTitle& title) {
    return {title.time.toString(kTimeFormat), title.station, title.title};
}

std::optional<HeardTitle> HistoryFile::prune(const QDateTime& now) const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    const QDateTime oldest = now.addDays(-kKeptDays);
    QByteArray kept;
    std::optional<HeardTitle> last;
    for (const QByteArray& line : content.split('\n')) {
        const std::optional<HeardTitle> title = parse(line);
        if (title && title->time >= oldest) {
            kept += line + '\n';
            last = title;
        }
    }
    if (kept != content) {
        zvnet::replaceFile(path_, kept);
    }
    return last;
}

bool HistoryFile::append(const HeardTitle& title) const {
    zvpaths::makeFolder(QFileInfo(path_).path());
    const QByteArray bytes = fields(title).join(QLatin1Char('\t')).toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(path_).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool whole = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) ==
                       static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && whole;
}

std::vector<HeardTitle> HistoryFile::read() const {
    std::vector<HeardTitle> titles;
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (std::optional<HeardTitle> title = parse(line)) {
                titles.push_back(std::move(*title));
            }
        }
    }
    return titles;
}

}  // namespace zvengine
