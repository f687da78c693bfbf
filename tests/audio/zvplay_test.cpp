// zvplay's text handling, and the player itself against stationd.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

TEST(Zvplay, PrintsHeadersTitlesStateAndLevels) {
    zvtest::Stationd server(ZV_TEST_DATA_DIR);
    const std::string out =
        zvtest::runCommand(std::string(ZV_BIN_DIR) + "/zvplay --device 0 --seconds 1.2 '" +
                           server.url("/mp3?title_interval=0.5") + "' 2>&1");
    EXPECT_NE(out.find("ICY 200 OK\n"), std::string::npos) << out;
    EXPECT_NE(out.find("icy-name: Teszt Rádió MP3"), std::string::npos) << out;
    EXPECT_NE(out.find("format: MP3, 44100 Hz, 2 channel(s)"), std::string::npos) << out;
    EXPECT_NE(out.find("title: Első Előadó - Első dal\n"), std::string::npos) << out;
    EXPECT_NE(out.find("title: Második Előadó - Második dal\n"), std::string::npos) << out;
    EXPECT_NE(out.find("playing  level L "), std::string::npos) << out;
}

TEST(Zvplay, ReportsStreamThatCannotPlay) {
    zvtest::Stationd server(ZV_TEST_DATA_DIR);
    const std::string out =
        zvtest::runCommand(std::string(ZV_BIN_DIR) + "/zvplay --device 0 '" +
                           server.url("/nincs-ilyen") + "' 2>&1; echo \"exit $?\"");
    EXPECT_NE(out.find("cannot play"), std::string::npos) << out;
    EXPECT_NE(out.find("exit 1"), std::string::npos) << out;
}

}  // namespace
