#pragma once

#include "childprocess.h"

#include <string>
#include <vector>

namespace zvtest {

// A running build/bin/stationd for one test: started on a free loopback port with the given
// root folder and extra arguments ("--fail-first", "3", ...), ended when the object goes.
// The constructor returns once the server listens and throws std::runtime_error when it cannot
// start. Use an object from one thread at a time; port() and url() may then be called from any
// thread, since they only read values fixed by the constructor.
class Stationd {
public:
    explicit Stationd(const std::string& root, std::vector<std::string> extraArgs = {});

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string url(const std::string& path) const;

private:
    ChildProcess process_;
    int port_ = 0;
};

// The one server on the test stations (tests/data) that the tests of a process share: started
// at the first call, ended when the process ends. Tests that make a server misbehave for every
// later client (refuse_after_drop, --refuse, --fail-first) start one of their own instead.
// Call it from the test's thread.
Stationd& sharedStationd();

}  // namespace zvtest
