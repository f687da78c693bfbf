#include "profilevalues.h"

namespace zvstartup {

bool profileBool(const QString& value, bool fallback) {
    const QString text = value.trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok ? number != 0.0 : fallback;
}

long long profileInteger(const QString& value, long long fallback) {
    bool ok = false;
    const long long number = value.trimmed().toLongLong(&ok);
    return ok ? number : fallback;
}

}  // namespace zvstartup
