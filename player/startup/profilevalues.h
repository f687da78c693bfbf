// Conversions of station-file values. A value that does not convert takes the given default.
// Pure functions; safe from any thread.
#pragma once

#include <QString>

namespace zvstartup {

// A number (non-zero is true) or the words True and False in any letter case.
bool profileBool(const QString& value, bool fallback);
// A whole decimal number, blanks around it allowed.
long long profileInteger(const QString& value, long long fallback);

}  // namespace zvstartup
