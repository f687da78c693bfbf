// zvplay's text handling, and the player itself against stationd.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command.h"
#include "stationd.h"
#include "titletext.h"

namespace {

TEST(TitleText, Utf8KeptAndWindows1250Converted) {
    EXPECT_EQ(zvplay::toUtf8("Első Előadó"), "Első Előadó");
    // "Árvíztűrő" in Windows-1250: Á=C1 í=ED ű=FB ő=F5.
    EXPECT_EQ(zvplay::toUtf8("\xC1rv\xEDzt\xFBr\xF5"), "Árvíztűrő");
    // A lone continuation byte or a cut sequence is not UTF-8.
    EXPECT_EQ(zvplay::toUtf8("a\xE9"), "aé");
    EXPECT_EQ(zvplay::toUtf8("\xC5"), "Ĺ");
    // 0x81 has no character in the code page.
    EXPECT_EQ(zvplay::toUtf8("x\x81y"), "x\xEF\xBF\xBDy");
}

TEST(TitleText, StreamTitleUpToClosingQuote) {
    EXPECT_EQ(zvplay::streamTitle("StreamTitle='Artist - Song';StreamUrl='';"), "Artist - Song");
    EXPECT_EQ(zvplay::streamTitle("StreamTitle='Rock; Roll';"), "Rock; Roll");
    EXPECT_EQ(zvplay::streamTitle("StreamTitle='';"), "");
    EXPECT_EQ(zvplay::streamTitle("StreamTitle='unterminated"), "unterminated");
    EXPECT_EQ(zvplay::streamTitle("streamtitle='x';"), "");
}

// What zvplay prints, and how it exits, for a station that plays and one that cannot.
TEST(Zvplay, PrintsWhatItPlaysAndReportsWhatItCannot) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        std::string arguments;
        std::vector<std::string> printed;
    } cases[] = {
        {"--seconds 1.2 '" + server.url("/mp3?title_interval=0.5") + "'",
         {"ICY 200 OK\n", "icy-name: Teszt Rádió MP3", "format: MP3, 44100 Hz, 2 channel(s)",
          "title: Első Előadó - Első dal\n", "title: Második Előadó - Második dal\n",
          "playing  level L ", "exit 0"}},
        {"'" + server.url("/nincs-ilyen") + "'", {"cannot play", "exit 1"}},
    };
    for (const auto& c : cases) {
        const std::string out = zvtest::runCommand(std::string(ZV_BIN_DIR) + "/zvplay --device 0 " +
                                                   c.arguments + " 2>&1; echo \"exit $?\"");
        for (const auto& line : c.printed) {
            EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
        }
    }
}

}  // namespace
