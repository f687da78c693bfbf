// Every message box of the receiver goes through this one seam, and so does ending the
// program, so tests can answer a box and observe an end without a window or an exit.
//
// Thread contract: boxes are shown from the UI thread; replacing the seams is for tests only.
#pragma once

#include <QString>

#include <memory>

class QMessageBox;

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

// The real box for these values, not yet shown: the title, the text with its line breaks, the
// icon and the standard buttons (in the language of Qt's installed translation).
std::unique_ptr<QMessageBox> buildMessageBox(const QString& title, const QString& text, Icon icon,
                                             Buttons buttons);

// Closes the real box open now, if any, as if it had been dismissed (Cancel or No): for an end of
// the program that cannot wait for an answer.
void closeOpenBox();

// The boxes in use: real QMessageBoxes unless a test has put its own in place.
MessageBoxes& messageBoxes();
void setMessageBoxes(MessageBoxes* boxes);  // nullptr restores the real ones

// Exit statuses: an end the user chose (an update accepted or declined) is a normal one; an end
// after an error box tells whoever started the program that it could not run.
constexpr int kExitNormal = 0;
constexpr int kExitFailed = 1;

// Ends the program at once with the given exit status; no window's close handling runs.
[[noreturn]] void endProgram(int status);
// Tests put a handler in place that throws, so the end unwinds to the test.
using EndHandler = void (*)(int status);
void setEndHandler(EndHandler handler);  // nullptr restores the real end

// The title, icon and button of every start-up error box.
inline Answer showError(const QString& text) {
    return messageBoxes().show(QStringLiteral("Hiba"), text, Icon::Error, Buttons::Ok);
}

// A start-up check that failed: its error box, then the end with kExitFailed.
[[noreturn]] inline void endWithError(const QString& text) {
    showError(text);
    endProgram(kExitFailed);
}

}  // namespace zvbox
