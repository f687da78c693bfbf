// Work that must happen on the UI thread although a worker asks for it (message boxes, tearing
// down and reopening the audio output): the worker waits until it is done, or until it is told
// to stop, so that a UI thread that waits for the worker to end never waits for itself.
//
// Thread contract: any thread; on the UI thread the work runs at once.
#pragma once

#include <functional>
#include <stop_token>

namespace zvengine {

// Runs `work` on the UI thread and returns true when it has run; an exception it throws is
// thrown again here. Returns false, without waiting any longer, once a stop is requested on
// `stop`: the work may then still run later, so it must not refer to the caller's locals.
bool runOnUiThread(std::function<void()> work, std::stop_token stop = {});

}  // namespace zvengine
