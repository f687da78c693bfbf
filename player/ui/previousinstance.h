// One running copy of the receiver. The first copy keeps a local server in the user's runtime
// folder, the same whatever the environment, for as long as its main window lives; a later copy
// hands it its station number and ends, and the first brings its window forward and starts
// that station as its function key would, once its window is up. The running window's id is
// kept in the settings store ("Ablak"/"WindowHandle").
//
// Thread contract: UI thread only; the server answers on a thread of its own and passes the
// stations to the UI thread's event loop.
#pragma once

#include <QString>

class frmMain;
class QWidget;

namespace modPreviousInstance {

// The socket of the first copy's server.
QString serverName();

// The window's first load step. Returns when this copy is the first, which then serves later
// copies until the window goes (a socket left by a crashed copy is taken over). Otherwise hands
// `startStation` to the running copy and ends this copy without a window: normally once the
// running copy acknowledged, with the "cannot be activated" box when it does not acknowledge
// within two seconds. A server that cannot listen is noted in Error.log.
void CheckPrevInstance(frmMain& window, int startStation);

// The window is up and has started its own command-line station: the stations later copies
// handed over meanwhile start now, and later ones as they come.
void ServeHandOvers(const QWidget& window);

// Stores the window's id, at every activation, so the value is always the live window's.
void SaveWindowHandle(const QWidget& window);

// Removes the stored window id when the first copy's window closes; never refuses the close.
void ForgetWindowHandle(const QWidget& window);

}  // namespace modPreviousInstance
