#include "streamwatch.h"

#include "playerstate.h"

#include <zvaudio.h>

namespace zvengine {

std::uint32_t streamActivity() {
    return ZVA_ChannelIsActive(playerState().streamHandle());
}

bool streamTroubled() {
    return playerState().notAvailable() || streamActivity() == ZVA_ACTIVE_STALLED;
}

bool connectionDropped() {
    return ZVA_StreamGetFilePosition(playerState().streamHandle(), ZVA_FILEPOS_CONNECTED) == 0;
}

bool StallWatch::tick(bool troubled) {
    if (!troubled) {
        stallTicks_ = 0;
        return false;
    }
    if (++stallTicks_ > kTicksTolerated) {
        stallTicks_ = 0;
        return true;
    }
    return false;
}

}  // namespace zvengine
