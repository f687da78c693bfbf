// The end of the desktop session, or a kill, ends the receiver as its close button would: the
// volume is stored and the window's record removed. SIGTERM, SIGINT and SIGHUP close the main
// window through its normal unload, and the program ends with status 0; the session manager's
// request to commit data stores what closing stores, in case the session ends without a word.
//
// Thread contract: UI thread only. The signal handler only writes one byte to a pipe
// (async-signal-safe); the UI thread's event loop reads it and closes the window.
#pragma once

class frmMain;

// Closes `window` at the end of the session for as long as the window lives; one window at a
// time.
void closeAtSessionEnd(frmMain& window);
