#include "outputdevice.h"

namespace zvengine {

DeviceChoice& deviceChoice() {
    static DeviceChoice choice;
    return choice;
}

}  // namespace zvengine
