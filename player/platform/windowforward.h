// Bringing a window to the user: restored if minimised, shown, raised and activated, as a later
// copy's start and the desktop's "raise" request do.
//
// Thread contract: UI thread only.
#pragma once

class QWidget;

namespace zvshell {

void bringForward(QWidget& window);

}  // namespace zvshell
