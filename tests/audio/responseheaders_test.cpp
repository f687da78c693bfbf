#include "net/responseheaders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(ResponseHeaders, IcyAnswerWithLowerCasedNames) {
    zva::ResponseHeaders h;
    for (const char* line : {"ICY 200 OK\r\n", "Icy-Name: Rádió\r\n", "ICY-BR:128\r\n",
                             "Content-Type: audio/mpeg\r\n", "icy-metaint: 8192\r\n", "\r\n"}) {
        ASSERT_TRUE(h.addLine(line));
    }
    EXPECT_TRUE(h.isIcy());
    EXPECT_FALSE(h.isHttp());
    EXPECT_EQ(h.statusCode(), 200);
    EXPECT_EQ(h.value("content-type"), "audio/mpeg");
    EXPECT_EQ(h.number("icy-metaint"), 8192);
    EXPECT_EQ(h.number("icy-br"), 128);
    EXPECT_EQ(h.number("icy-name"), -1);
    EXPECT_EQ(h.block(),
              "ICY 200 OK\0icy-name: Rádió\0icy-br:128\0"
              "Content-Type: audio/mpeg\0icy-metaint: 8192\0\0"s);
}

TEST(ResponseHeaders, RedirectAnswerIsReplaced) {
    zva::ResponseHeaders h;
    for (const char* line : {"HTTP/1.1 302 Found\r\n", "Location: /x\r\n", "\r\n",
                             "HTTP/1.0 200 OK\r\n", "icy-br: 64,64\r\n", "\r\n"}) {
        ASSERT_TRUE(h.addLine(line));
    }
    EXPECT_EQ(h.block().substr(0, 16), "HTTP/1.0 200 OK\0"s);
    EXPECT_TRUE(h.isHttp());
    EXPECT_EQ(h.value("Location"), "");
    EXPECT_EQ(h.number("icy-br"), 64);
}

}  // namespace
