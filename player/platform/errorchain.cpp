#include "errorchain.h"

#include <new>
#include <stdexcept>

namespace zverr {

Failure::Failure(int number, QString source, QString description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {
    what_ = description_.toStdString();
}

const char* Failure::what() const noexcept {
    return what_.c_str();
}

QString Procedure::marker() const {
    return QStringLiteral("%1.%2(%3):")
        .arg(QLatin1String(module_), QLatin1String(name_))
        .arg(step_);
}

void Procedure::passOn() const {
    try {
        throw;
    } catch (Failure& failure) {
        failure.prependMarker(marker());
        throw;
    } catch (const std::bad_alloc& e) {
        throw Failure(kOutOfMemory, marker(), QString::fromUtf8(e.what()));
    } catch (const std::out_of_range& e) {
        throw Failure(kSubscriptOutOfRange, marker(), QString::fromUtf8(e.what()));
    } catch (const std::invalid_argument& e) {
        throw Failure(kTypeMismatch, marker(), QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        throw Failure(kInvalidCall, marker(), QString::fromUtf8(e.what()));
    }
}

}  // namespace zverr
