// Writing a downloaded file in one piece, without ever writing through a symbolic link: the
// bytes go into a new file beside the target, which then takes the target's name. A link that
// stood at the name is replaced, never followed, and a file there is replaced whoever made it
// (as long as the folder lets us).
//
// Thread contract: safe from any thread; calls for different paths do not meet. Two calls for
// one path leave one of the two contents complete.
#pragma once

#include <QByteArray>
#include <QString>

namespace zvnet {

// Puts content at path; false (and path untouched) when the folder cannot take it.
bool replaceFile(const QString& path, const QByteArray& content);

}  // namespace zvnet
