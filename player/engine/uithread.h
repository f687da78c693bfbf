// Work that must happen on the UI thread although a worker asks for it (message boxes, tearing
// down and reopening the audio output): the worker waits until it is done.
//
// Thread contract: any thread; on the UI thread the work runs at once.
#pragma once

#include <functional>

namespace zvengine {

// Runs `work` on the UI thread and returns when it has run; an exception it throws is thrown
// again here.
void runOnUiThread(const std::function<void()>& work);

}  // namespace zvengine
