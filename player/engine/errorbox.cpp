#include "errorbox.h"

#include "platform/messagebox.h"

#include <zvaudio.h>

namespace zverr {

void Error_(const QString& text) {
    const int code = ZVA_ErrorGetCode();
    zvbox::messageBoxes().show(
        QStringLiteral("Error"),
        text + QStringLiteral("\r\n\r\nerror code: ") + QString::number(code),
        zvbox::Icon::Exclamation, zvbox::Buttons::Ok);
}

}  // namespace zverr
