#include "errorbox.h"

#include "platform/messagebox.h"
#include "streamworker.h"

#include <zvaudio.h>

namespace zverr {

void Error_(const QString& text) {
    zvengine::closeThr();
    const int code = ZVA_ErrorGetCode();
    zvbox::messageBoxes().show(
        QStringLiteral("Error"),
        text + QStringLiteral("\r\n\r\nerror code: ") + QString::number(code),
        zvbox::Icon::Exclamation, zvbox::Buttons::Ok);
}

}  // namespace zverr
