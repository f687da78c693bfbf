// zvplay against stationd: what it prints and how it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command.h"
#include "stationd.h"

namespace {

// What zvplay prints, and how it exits, for a station that plays and one that cannot.
TEST(Zvplay, PrintsWhatItPlaysAndReportsWhatItCannot) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        std::string arguments;
        std::vector<std::string> printed;
        std::vector<std::string> unprinted;
    } cases[] = {
        {"--seconds 1.2 '" + server.url("/mp3?title_interval=0.5") + "'",
         {"ICY 200 OK\n", "icy-name: Teszt Rádió MP3", "format: MP3, 44100 Hz, 2 channel(s)",
          "title: Első Előadó - Első dal\n", "title: Második Előadó - Második dal\n",
          "playing  level L ", "exit 0"},
         {}},
        {"--quiet --seconds 1.2 '" + server.url("/mp3?title_interval=0.5") + "'",
         {"title: Első Előadó - Első dal\n", "exit 0"},
         {"level L"}},
        {"'" + server.url("/nincs-ilyen") + "'", {"cannot play", "exit 1"}, {}},
        // A file served without a length ends when its answer does.
        {"--quiet '" + server.url("/audio/tone11.mp3?no_length=1") + "'", {"exit 0"}, {}},
    };
    for (const auto& c : cases) {
        const std::string out =
            zvtest::runCommand("timeout 120 " + std::string(ZV_BIN_DIR) + "/zvplay --device 0 " +
                               c.arguments + " 2>&1; echo \"exit $?\"");
        for (const auto& line : c.printed) {
            EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
        }
        for (const auto& line : c.unprinted) {
            EXPECT_EQ(out.find(line), std::string::npos) << line << " in\n" << out;
        }
    }
}

}  // namespace
