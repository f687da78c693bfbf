// The end of a start that failed in a way nothing in start-up handles (a failure of the error
// chain, or any other exception): one error box that tells what is known, then the end with a
// failure status, instead of an abort.
//
// Thread contract: UI thread only.
#pragma once

#include <exception>

namespace zvstartup {

// Call with the exception that left start-up; never returns.
[[noreturn]] void endAfterFailure(std::exception_ptr failure);

}  // namespace zvstartup
