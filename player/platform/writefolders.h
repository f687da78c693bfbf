// Where the receiver writes its own files: recordings and Error.log go to the program folder
// while the receiver may write there (a per-user install), else to folders of the user's own (a
// system-wide install).
//
// Thread contract: every function may be called from any thread; they read the environment
// and the file system, and makeFolder creates folders.
#pragma once

#include <QString>

namespace zvpaths {

// Whether files can be created in `folder`. Root is held to the folder's mode bits as well,
// so a read-only folder (0555) counts as read-only for root too.
bool isWritableFolder(const QString& folder);

// The program folder while it is writable, else "Zenovia" in the user's music folder: the
// absolute $XDG_MUSIC_DIR, else the one that user-dirs.dirs names, else ~/Music.
QString recordingFolder();

// "zenovia" in the absolute $XDG_STATE_HOME, else ~/.local/state/zenovia: what the receiver
// keeps of its own use (the titles heard, and the log of a read-only install).
QString stateFolder();

// The program folder while it is writable, else the state folder.
QString logFolder();

// Makes `folder` and its missing parents, each new one private to the user (0700); true when
// it is a folder afterwards.
bool makeFolder(const QString& folder);

}  // namespace zvpaths
