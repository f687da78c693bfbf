#include "playerstate.h"

namespace zvengine {

PlayerState& playerState() {
    static PlayerState state;
    return state;
}

}  // namespace zvengine
