// What start-up learns and the rest of the receiver reads: the station list and the station
// number from the command line.
//
// Thread contract: written on the UI thread during start-up, only read afterwards.
#pragma once

#include "engine/stationtable.h"

namespace zvstartup {

struct StartupValues {
    zvengine::StationList list;
    int startStation = 0;  // 1..13 from "/hallgat n", 0 = none
};

StartupValues& startupValues();

}  // namespace zvstartup
