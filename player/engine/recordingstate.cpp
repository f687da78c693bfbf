#include "recordingstate.h"

namespace zvengine {

RecordingState& recordingState() {
    static RecordingState state;
    return state;
}

void setRecordingEnabled(bool enabled) {
    recordingState().recordingEnabled = enabled;
}

void setStreamType(std::uint32_t ctype) {
    recordingState().streamType = ctype;
}

}  // namespace zvengine
