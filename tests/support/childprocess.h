#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace zvtest {

// A program run for one test (found on the PATH unless the name holds a slash), its standard
// output a pipe the test reads by lines; ended with SIGTERM (SIGKILL after a few seconds) and
// reaped when the object goes. One thread.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args);  // throws std::runtime_error
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line it prints, without its newline; "" at the end of its output or after 20 s.
    std::string line();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

}  // namespace zvtest
