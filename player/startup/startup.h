// The receiver's start: Main decides, in a fixed order, whether the program can run, and shows
// the main window; MainCont fetches the station logos for the main window's load step.
//
// Thread contract: UI thread only; both may end the program with a message box.
#pragma once

#include "stationtable.h"

#include <QStringList>

#include <memory>

class frmMain;

namespace zvstartup {

// Anchors the working folder at the program folder, checks the skin files, reads the station
// list (local zvadok.ini or the configuration server), reads the station number from the
// arguments, reads the output device setting, and creates, loads and shows the main window.
std::unique_ptr<frmMain> Main(const QStringList& arguments);

// Downloads the default logo and every station's logo into the TEMP folder, all at once, and
// returns when every download has ended. A station whose logo does not arrive, or whose
// picture is "def", shows the default logo.
void MainCont(StationList& list);

}  // namespace zvstartup
