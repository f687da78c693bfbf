// The error-source chain: every procedure of the player traps its own failures and passes them
// up with a marker "module.procedure(step):" put in front of the source, so that a failure
// that reaches an event handler names the whole path it travelled, outermost first.
//
// Step numbers: a procedure numbers its steps 1, 2, 3, … with Procedure::step(n) as it reaches
// them; a failure before the first numbered step carries step 0.
//
//     void loadIni(const QString& path) {
//         zverr::Procedure proc("modNetRadio", "loadIni");
//         try {
//             proc.step(1);
//             …
//         } catch (...) {
//             proc.passOn();
//         }
//     }
//
// Thread contract: a Procedure belongs to the thread that runs the procedure; Failure is a
// plain value type.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace zverr {

// A failure travelling up the chain: number and description stay as they started, the source
// grows a marker at every level.
class Failure : public std::exception {
public:
    Failure(int number, QString source, QString description);

    int number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    void prependMarker(const QString& marker) { source_ = marker + source_; }

    const char* what() const noexcept override;

private:
    int number_;
    QString source_;
    QString description_;
    std::string what_;
};

// Error numbers for failures that do not start as a Failure.
enum ErrorNumber : int {
    kInvalidCall = 5,
    kOutOfMemory = 7,
    kSubscriptOutOfRange = 9,
    kTypeMismatch = 13,
    kFileNotFound = 53,
};

class Procedure {
public:
    Procedure(const char* module, const char* name) : module_(module), name_(name) {}

    void step(int n) { step_ = n; }
    QString marker() const;

    // Call only inside a catch block: rethrows the failure being handled as a Failure with this
    // procedure's marker in front of its source. Anything that is not a std::exception (a test's
    // "program ended" signal) passes through untouched.
    [[noreturn]] void passOn() const;

private:
    const char* module_;
    const char* name_;
    int step_ = 0;
};

}  // namespace zverr
