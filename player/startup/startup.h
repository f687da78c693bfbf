// The receiver's start: Main decides, in a fixed order, whether the program can run, and shows
// the main window.
//
// Thread contract: UI thread only; Main may end the program with a message box.
#pragma once

#include <QStringList>

#include <memory>

class frmMain;

namespace zvstartup {

// Anchors the working folder at the program folder, checks the skin files, reads the station
// list (local zvadok.ini or the configuration server), reads the station number from the
// arguments, checks the audio library, reads the output device setting, creates and loads the
// main window, loads the AAC add-on and shows the window.
std::unique_ptr<frmMain> Main(const QStringList& arguments);

}  // namespace zvstartup
