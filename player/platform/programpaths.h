// Where the receiver keeps its files, and the two small file helpers every part uses.
//
// Thread contract: the getters may be called from any thread; setProgramFolder is for start-up
// and tests only, before other threads run.
#pragma once

#include <QString>

namespace zvpaths {

// The folder of the running executable (skins, libraries, station file, recordings, Error.log).
QString programFolder();
// Points the program folder elsewhere (tests).
void setProgramFolder(const QString& folder);

// TEMP when set and not empty, else TMPDIR, else /tmp.
QString tempFolder();

// The path with a "/" at its end (added when missing).
QString RPP(const QString& path);

// True when the file can be opened for reading.
bool FileExists(const QString& path);

}  // namespace zvpaths
