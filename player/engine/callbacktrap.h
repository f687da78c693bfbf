// The top of a callback that the audio library runs on its own thread: no failure may leave
// it, since nothing above it could catch one and the library is C. A failure that reaches it
// ends there: the block that caused it is dropped, and one line naming the callback is added
// to Error.log on the UI thread (the log's own thread), as an event handler would do.
//
// Thread contract: callable from any thread; the log line is queued to the application's
// thread and dropped when no application runs.
#pragma once

#include <QString>

namespace zvengine {

void logCallbackFailure(const char* callbackName);

template <typename Body>
void trapCallback(const char* callbackName, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        try {
            logCallbackFailure(callbackName);
        } catch (...) {
            // Even the log line could not be queued (out of memory): the failure ends here.
        }
    }
}

}  // namespace zvengine
