#include "privatepulse.h"

#include <cstdlib>
#include <sstream>

#include "command.h"

namespace zvtest {

namespace {

std::optional<std::string> current(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

PrivatePulse::PrivatePulse() {
    const char* runtime = std::getenv("ZENOVIA_PULSE_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') {
        return;
    }
    available_ = true;
    runtimeBefore_ = current("XDG_RUNTIME_DIR");
    driverBefore_ = current("SDL_AUDIODRIVER");
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
}

PrivatePulse::~PrivatePulse() {
    if (available_) {
        restore("XDG_RUNTIME_DIR", runtimeBefore_);
        restore("SDL_AUDIODRIVER", driverBefore_);
    }
}

std::string pactlFirstWord(const std::string& what, const std::string& key) {
    std::istringstream lines(runCommand("pactl list short " + what));
    std::string first, second, rest;
    while (lines >> first >> second && std::getline(lines, rest)) {
        if (second == key) {
            return first;
        }
    }
    return {};
}

bool playsInto(const char* sink) {
    const std::string index = pactlFirstWord("sinks", sink);
    return !index.empty() && !pactlFirstWord("sink-inputs", index).empty();
}

}  // namespace zvtest
