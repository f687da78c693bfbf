// Every message box of the receiver goes through this one seam, and so does ending the
// program, so tests can answer a box and observe an end without a window or an exit.
//
// Thread contract: boxes are shown from the UI thread; replacing the seams is for tests only.
#pragma once

#include <QString>

namespace zvbox {

enum class Icon { Error, Warning, Information, Exclamation };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box and returns the button pressed; closing the box counts as Cancel or No.
    // Line breaks in text are CR or CR LF, as the receiver's texts are written.
    virtual Answer show(const QString& title, const QString& text, Icon icon, Buttons buttons) = 0;
};

// The boxes in use: real QMessageBoxes unless a test has put its own in place.
MessageBoxes& messageBoxes();
void setMessageBoxes(MessageBoxes* boxes);  // nullptr restores the real ones

// Ends the program at once; no window's close handling runs.
[[noreturn]] void endProgram();
// Tests put a handler in place that throws, so the end unwinds to the test.
using EndHandler = void (*)();
void setEndHandler(EndHandler handler);  // nullptr restores the real end

// The title, icon and button of every start-up error box.
inline Answer showError(const QString& text) {
    return messageBoxes().show(QStringLiteral("Hiba"), text, Icon::Error, Buttons::Ok);
}

}  // namespace zvbox
