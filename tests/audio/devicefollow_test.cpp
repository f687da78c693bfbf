// The sound follows the chosen device away and back as the PulseAudio server's sinks come and
// go. The test takes a sink away: CTest runs it alone, as the other tests on the server expect
// both sinks there.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "command.h"
#include "privatepulse.h"
#include "pulsetest.h"
#include "stationd.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

using zvtest::pactlFirstWord;
using zvtest::playsInto;
using zvtest::waitFor;

constexpr const char* kLoadKettes =
    "pactl load-module module-null-sink sink_name=kettes sink_properties=device.description=Kettes";

using DeviceFollow = zvtest::PulseTest;

// The chosen sink unplugged: the sound goes on into the default by itself, the stream playing
// on, and it comes back to the sink once the sink is there again.
TEST_F(DeviceFollow, SoundLeavesAGoneSinkForTheDefaultAndComesBack) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    ASSERT_EQ(ZVA_Init(2, 44100, 0, nullptr, nullptr), 1) << ZVA_ErrorGetCode();
    const ZVA_HSTREAM h = ZVA_StreamCreateURL(server.url("/mp3").c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(ZVA_ChannelPlay(h, 0), 1);
    ASSERT_TRUE(waitFor([] { return playsInto("kettes"); }));

    std::istringstream modules(zvtest::runCommand("pactl list short modules"));
    std::string module;
    for (std::string line; std::getline(modules, line);) {
        if (line.find("sink_name=kettes") != std::string::npos) {
            module = line.substr(0, line.find('\t'));
        }
    }
    ASSERT_FALSE(module.empty());
    // Kettes is back for the tests after this one, however this one ends.
    const std::shared_ptr<void> reload(nullptr, [](void*) {
        if (pactlFirstWord("sinks", "kettes").empty()) {
            zvtest::runCommand(kLoadKettes);
        }
    });
    zvtest::runCommand("pactl unload-module " + module);
    ASSERT_TRUE(pactlFirstWord("sinks", "kettes").empty());
    EXPECT_TRUE(waitFor([] { return playsInto("egyes"); }));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);

    zvtest::runCommand(kLoadKettes);
    EXPECT_TRUE(waitFor([] { return playsInto("kettes") && !playsInto("egyes"); }));
    EXPECT_EQ(ZVA_ChannelIsActive(h), ZVA_ACTIVE_PLAYING);
}

}  // namespace
