// The update notice of the station file: section "Update" announces the newest program version,
// where to get it, whether it is mandatory and a line about it.
//
// Thread contract: UI thread only (it shows message boxes).
#pragma once

#include <QString>

namespace zvstartup {

// The program's major, minor and revision written one after the other (2.0.0 gives 200).
int localVersionNumber();

// Reads section "Update" of the station file at path and, when it announces a newer version,
// asks the user. May end the program: an accepted update, or a declined mandatory one.
void runUpdateCheck(const QString& path);

}  // namespace zvstartup
