// Where the receiver keeps its files, and the two small file helpers every part uses.
//
// Thread contract: the getters may be called from any thread; setProgramFolder is for start-up
// and tests only, before other threads run.
#pragma once

#include <QString>

namespace zvpaths {

// The folder of the running executable (skins, libraries, station file; recordings and
// Error.log while it is writable, see writefolders.h).
QString programFolder();
// Points the program folder elsewhere (tests).
void setProgramFolder(const QString& folder);

// The folder for temporary files, one of this user's own that nobody else may enter:
// <base>/zenovia-<uid>, the base being the first set of TEMP, XDG_RUNTIME_DIR and TMPDIR, else
// /tmp. Made (mode 0700) when missing. When that name is a link or another user's folder, a
// fresh private folder under the same base is used instead, the same one for the whole run.
QString tempFolder();

// The path with a "/" at its end (added when missing).
QString RPP(const QString& path);

// True when the file can be opened for reading.
bool FileExists(const QString& path);

}  // namespace zvpaths
