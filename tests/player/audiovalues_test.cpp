#include "engine/audiovalues.h"

#include <gtest/gtest.h>

namespace {

using zvengine::AnsiPtrToString;
using zvengine::HighWord;
using zvengine::LowWord;

TEST(AudioValues, WordsAreTheTwoHalves) {
    const struct {
        std::uint32_t value;
        std::uint16_t low, high;
    } rows[] = {{0, 0, 0},
                {0x02030000u, 0, 515},
                {0x80001234u, 0x1234, 0x8000},
                {0xFFFFFFFFu, 0xFFFF, 0xFFFF}};
    for (const auto& row : rows) {
        EXPECT_EQ(LowWord(row.value), row.low) << row.value;
        EXPECT_EQ(HighWord(row.value), row.high) << row.value;
    }
}

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
