// The station logos the main window shows: fetched once, in its load step, into the TEMP
// folder.
//
// Thread contract: UI thread only; the downloads run on threads of their own, all at once, on
// copies of their addresses, so the list itself is touched on the UI thread only.
#pragma once

#include "stationtable.h"

namespace zvengine {

// Downloads the default logo and every station's logo into the TEMP folder, all at once, and
// returns when every download has ended. A station whose logo does not arrive, or whose
// picture is "def", shows the default logo.
void MainCont(StationList& list);

}  // namespace zvengine
