// Folders of this user's own that nobody else may enter, found again from start to start.
//
// Thread contract: any thread; calls for the same base from two threads at once may both make a
// fresh folder (the later record wins).
#pragma once

#include <QByteArray>
#include <QString>

namespace zvpaths {

// True when path is a real folder (not a link) of this user's own, which nobody else may
// enter. A folder the program did not make (the user's runtime folder) is only looked at; one it
// made itself and that others could enter is closed first.
enum class Made { ByOthers, ByUs };
bool isPrivateFolder(const QByteArray& path, Made made);

// <base>/zenovia-<uid>, made (mode 0700) when missing. When that name is taken by a link or by a
// folder that is not ours, a fresh private folder <base>/zenovia-<uid>-XXXXXX, noted in the
// user's configuration folder so that later starts reuse it (after checking it is still a
// private folder of ours) instead of leaving one more folder behind each time.
QString privateFolder(const QString& base);

}  // namespace zvpaths
