#include "startfailure.h"

#include "platform/errorchain.h"
#include "platform/messagebox.h"

namespace zvstartup {
namespace {

QString describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const zverr::Failure& chained) {
        return QStringLiteral("%1\r\r%2 (%3)")
            .arg(chained.description(), chained.source())
            .arg(chained.number());
    } catch (const std::exception& other) {
        return QString::fromLocal8Bit(other.what());
    } catch (...) {
        return QStringLiteral("Ismeretlen hiba");
    }
}

}  // namespace

void endAfterFailure(std::exception_ptr failure) {
    zvbox::endWithError(describe(failure));
}

}  // namespace zvstartup
