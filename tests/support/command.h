#pragma once

#include <string>

namespace zvtest {

// Runs a shell command and returns what it wrote to stdout (empty when it could not start).
std::string runCommand(const std::string& command);

}  // namespace zvtest
