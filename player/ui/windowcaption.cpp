#include "windowcaption.h"

QString windowCaption(bool playing, bool minimised, const QString& station, const QString& title) {
    QString caption = QStringLiteral("Zenovia");
    if (!playing || !minimised) {
        return caption;
    }
    caption += QStringLiteral(" - ") + station;
    if (!title.trimmed().isEmpty()) {
        caption += QStringLiteral(": ") +
                   QString(title).replace(QStringLiteral("&&"), QStringLiteral("&"));
    }
    return caption;
}
