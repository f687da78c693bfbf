#include "titlehistory.h"

#include "playerstate.h"

#include <QCoreApplication>

namespace zvengine {

TitleHistory::TitleHistory() {
    // The one history lives on the UI thread, whichever thread first asks for it.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        moveToThread(app->thread());
    }
}

void TitleHistory::hear(const QString& station, const QString& title) {
    if (title.trimmed().isEmpty() || (station == lastStation_ && title == lastTitle_)) {
        return;
    }
    lastStation_ = station;
    lastTitle_ = title;
    emit heard(HeardTitle{QDateTime::currentDateTime(), station, title});
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
