#include "messagebox.h"

#include <QMessageBox>
#include <QPointer>

#include <cstdlib>
#include <utility>

namespace zvbox {
namespace {

// The real box being shown, innermost first when one opens inside another's loop.
QPointer<QMessageBox> openBox;

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const QString& title, const QString& text, Icon icon, Buttons buttons) override {
        const std::unique_ptr<QMessageBox> box = buildMessageBox(title, text, icon, buttons);
        const QPointer<QMessageBox> outer = std::exchange(openBox, box.get());
        const int pressed = box->exec();
        openBox = outer;
        switch (pressed) {
            case QMessageBox::Ok:
                return Answer::Ok;
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            default:
                return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
    }
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Warning:
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

MessageBoxes* current = nullptr;
EndHandler endHandler = nullptr;

}  // namespace

std::unique_ptr<QMessageBox> buildMessageBox(const QString& title, const QString& text, Icon icon,
                                             Buttons buttons) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return std::make_unique<QMessageBox>(qtIcon(icon), title, shown, qtButtons(buttons));
}

void closeOpenBox() {
    if (openBox) {
        openBox->done(QMessageBox::Cancel);
    }
}

MessageBoxes& messageBoxes() {
    static QtMessageBoxes real;
    return current ? *current : real;
}

void setMessageBoxes(MessageBoxes* boxes) {
    current = boxes;
}

void endProgram(int status) {
    if (endHandler) {
        endHandler(status);
    }
    std::exit(status);
}

void setEndHandler(EndHandler handler) {
    endHandler = handler;
}

}  // namespace zvbox
