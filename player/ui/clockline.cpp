#include "clockline.h"

#include <QRegularExpression>

namespace {

// The locale's long date without its weekday, since the line adds the weekday itself.
QString longDateFormatWithoutWeekday(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("[ ,]*dddd[ ,]*"));
    format.replace(weekday, QStringLiteral(" "));
    return format.trimmed();
}

}  // namespace

QString clockText(const QDateTime& now, const QLocale& locale) {
    return now.toString(QStringLiteral("HH:mm")) + QStringLiteral(", ") +
           locale.toString(now.date(), longDateFormatWithoutWeekday(locale)) + QLatin1Char(' ') +
           locale.dayName(now.date().dayOfWeek(), QLocale::LongFormat);
}
