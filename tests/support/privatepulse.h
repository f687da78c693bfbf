#pragma once

#include <optional>
#include <string>

namespace zvtest {

// The private PulseAudio server of scripts/pulse.sh for one test: while the object lives, SDL
// plays through its PulseAudio driver into that server; the destructor gives XDG_RUNTIME_DIR
// and SDL_AUDIODRIVER back the values they had (or unsets them). Without such a server
// (ZENOVIA_PULSE_RUNTIME_DIR unset) nothing changes and available() is false. One thread.
class PrivatePulse {
public:
    PrivatePulse();
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    bool available() const { return available_; }
    static constexpr const char* kMissing =
        "no private PulseAudio server: ZENOVIA_PULSE_RUNTIME_DIR is not set "
        "(scripts/test.sh starts one through scripts/pulse.sh)";

private:
    bool available_ = false;
    std::optional<std::string> runtimeBefore_;
    std::optional<std::string> driverBefore_;
};

// The first word of the first line of `pactl list short <what>` whose second word is `key`
// (sinks: index by name; sink inputs: input by sink index); empty when none is.
std::string pactlFirstWord(const std::string& what, const std::string& key);

// Whether a stream plays into the sink of that name: only the running test plays on the server.
bool playsInto(const char* sink);

}  // namespace zvtest
