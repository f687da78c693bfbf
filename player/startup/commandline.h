// The station number on the command line: "/hallgat 3", "-HALLGAT:3", "/hallgat:3".
// Pure function; safe from any thread.
#pragma once

#include <QString>

namespace zvstartup {

// Walks the argument text (without the program's own name) and returns the station number to
// start, 1..13, or 0 for none. A later switch overrides an earlier one; a switch followed by a
// word that begins with "-" or "/" (or by nothing) leaves the number unchanged; a number out of
// 1..13, or a word that is not a number, gives 0.
int startStationFrom(const QString& argumentText);

}  // namespace zvstartup
