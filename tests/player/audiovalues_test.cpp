#include "engine/audiovalues.h"

#include <gtest/gtest.h>

namespace {

using zvengine::AnsiPtrToString;

TEST(AudioValues, TextIsUtf8WhenValidElseWindows1250) {
    const struct {
        const char* bytes;
        const char16_t* text;
    } rows[] = {{nullptr, u""},
                {"", u""},
                {"Kossuth R\xC3\xA1"
                 "di\xC3\xB3",
                 u"Kossuth Rádió"},
                {"Kossuth R\xE1"
                 "di\xF3",
                 u"Kossuth Rádió"},
                {"\x8A\xE8", u"Šč"}};
    for (const auto& row : rows) {
        EXPECT_EQ(AnsiPtrToString(row.bytes), QString::fromUtf16(row.text)) << row.bytes;
    }
}

}  // namespace
