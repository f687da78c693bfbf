#include "streamwatch.h"

namespace zvengine {

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
