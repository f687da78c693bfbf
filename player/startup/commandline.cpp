#include "commandline.h"

#include <QStringList>

namespace zvstartup {

int startStationFrom(const QString& argumentText) {
    QString text = argumentText;
    text.replace(QLatin1Char(':'), QLatin1Char(' '));
    const QStringList words = text.split(QLatin1Char(' '));
    const qsizetype last = words.size() - 1;
    int station = 0;
    for (qsizetype i = 0; i <= last; ++i) {
        const QString word = words[i].toLower();
        if (word != QLatin1String("-hallgat") && word != QLatin1String("/hallgat")) {
            continue;
        }
        if (i < last) {
            ++i;
        }
        const QString& number = words[i];
        if (number.startsWith(QLatin1Char('-')) || number.startsWith(QLatin1Char('/'))) {
            continue;
        }
        bool ok = false;
        const int value = number.toInt(&ok);
        station = ok && value >= 1 && value <= 13 ? value : 0;
    }
    return station;
}

}  // namespace zvstartup
