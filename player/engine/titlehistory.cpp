#include "titlehistory.h"

#include "platform/errorlog.h"
#include "playerstate.h"

#include <QCoreApplication>

#include <utility>

namespace zvengine {

TitleHistory::TitleHistory() {
    // The one history lives on the UI thread, whichever thread first asks for it.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        moveToThread(app->thread());
    }
}

void TitleHistory::hear(const QString& shownStation, const QString& shownTitle) {
    // Told as the file keeps them, so a repeat is the same after a restart as before it.
    const QString station = HistoryFile::field(shownStation);
    const QString title = HistoryFile::field(shownTitle);
    if (title.trimmed().isEmpty() || (station == lastStation_ && title == lastTitle_)) {
        return;
    }
    lastStation_ = station;
    lastTitle_ = title;
    const HeardTitle heardNow{QDateTime::currentDateTime(), station, title};
    if (file_ && !file_->append(heardNow) && !std::exchange(failureLogged_, true)) {
        zverr::Errorlog(QStringLiteral("TitleHistory.hear"),
                        QStringLiteral("Az elhangzott számok nem írhatók: ") + file_->path());
    }
    emit heard(heardNow);
}

void TitleHistory::open(const QString& path) {
    file_.emplace(path);
    failureLogged_ = false;
    const std::optional<HeardTitle> last = file_->prune(QDateTime::currentDateTime());
    lastStation_ = last ? last->station : QString();
    lastTitle_ = last ? last->title : QString();
}

std::vector<HeardTitle> TitleHistory::heardSoFar() const {
    return file_ ? file_->read() : std::vector<HeardTitle>();
}

TitleHistory& titleHistory() {
    static TitleHistory history;
    return history;
}

void tellTitleShown(std::uint64_t generation, const QString& station, const QString& labelValue) {
    QString title = labelValue;
    title.replace(QStringLiteral("&&"), QStringLiteral("&"));
    QMetaObject::invokeMethod(
        &titleHistory(),
        [generation, station, title] {
            if (playerState().current(generation)) {
                titleHistory().hear(station, title);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace zvengine
