// The end of the error-source chain: event handlers log one line to Error.log (in the program
// folder, or the user's state folder when that is not writable) and carry on.
//
// Thread contract: Errorlog and trapEvent are called from the UI thread only (event handlers);
// each call opens, appends to and closes the file, so the file is never held open.
#pragma once

#include <QString>

#include <exception>

namespace zverr {

// Appends "<short date> at <short time>, Code :<procedure>, Hiba: <message>" as one quoted line
// (CR LF) to Error.log. When the file cannot be written the line is dropped: logging never ends
// the program.
void Errorlog(const QString& procedure, const QString& message);

// Runs an event handler's body; any failure that reaches it is logged under the handler's name
// ("frmMain.Form_Resize") with an empty message, and the handler is left.
template <typename Body>
void trapEvent(const char* eventName, Body&& body) {
    try {
        body();
    } catch (const std::exception&) {
        Errorlog(QString::fromLatin1(eventName), QString());
    }
}

}  // namespace zverr
