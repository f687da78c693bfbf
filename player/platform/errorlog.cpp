#include "errorlog.h"

#include "writefolders.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

namespace zverr {

void Errorlog(const QString& procedure, const QString& message) {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    const QString line =
        locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral(" at ") +
        locale.toString(now.time(), QLocale::ShortFormat) + QStringLiteral(", Code :") + procedure +
        QStringLiteral(", Hiba: ") + message;
    const QString folder = zvpaths::logFolder();
    zvpaths::makeFolder(folder);
    QFile log(folder + QStringLiteral("/Error.log"));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    log.write('"' + line.toUtf8() + "\"\r\n");
}

}  // namespace zverr
