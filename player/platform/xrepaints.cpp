#include "xrepaints.h"

#include <QByteArray>

namespace zvdisplay {

namespace {

// The X platform plug-in's switch: set at all, it leaves shared memory unused.
constexpr char kNoSharedMemory[] = "QT_XCB_NO_MITSHM";

}  // namespace

RepaintsInsideXRequests::RepaintsInsideXRequests() {
    if (!qEnvironmentVariableIsSet(kNoSharedMemory)) {
        asked_ = qputenv(kNoSharedMemory, QByteArrayLiteral("1"));
    }
}

void RepaintsInsideXRequests::keepFromChildren() const {
    if (asked_) {
        qunsetenv(kNoSharedMemory);
    }
}

}  // namespace zvdisplay
