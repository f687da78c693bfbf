#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "command.h"
#include "zvaudio.h"

namespace zvtest {

// The first word of the first line of `pactl list short <what>` whose second word is `key`
// (sinks: index by name; sink inputs: input by sink index); empty when none is.
inline std::string pactlFirstWord(const std::string& what, const std::string& key) {
    std::istringstream lines(runCommand("pactl list short " + what));
    std::string first, second, rest;
    while (lines >> first >> second && std::getline(lines, rest)) {
        if (second == key) {
            return first;
        }
    }
    return {};
}

// Whether a stream plays into the sink of that name: only the running test plays on the server.
inline bool playsInto(const char* sink) {
    const std::string index = pactlFirstWord("sinks", sink);
    return !index.empty() && !pactlFirstWord("sink-inputs", index).empty();
}

// A test on the private PulseAudio server of scripts/pulse.sh, through SDL's PulseAudio driver,
// skipped without one; it starts with both sinks there and nothing playing, and frees the
// library after it.
class PulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* runtime = std::getenv("ZENOVIA_PULSE_RUNTIME_DIR");
        if (runtime == nullptr || *runtime == '\0') {
            GTEST_SKIP() << "no private PulseAudio server: ZENOVIA_PULSE_RUNTIME_DIR is not set "
                            "(scripts/test.sh starts one through scripts/pulse.sh)";
        }
        setenv("XDG_RUNTIME_DIR", runtime, 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        ASSERT_FALSE(pactlFirstWord("sinks", "egyes").empty());
        ASSERT_FALSE(pactlFirstWord("sinks", "kettes").empty());
        ASSERT_FALSE(playsInto("kettes"));
    }
    void TearDown() override {
        ZVA_Free();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
};

}  // namespace zvtest
