#include "engine/audiovalues.h"

#include <gtest/gtest.h>

namespace {

using zvengine::AnsiPtrToString;

// The library's texts read as every tag does; no text at all is an empty one.
TEST(AudioValues, LibraryTextsReadAsTags) {
    EXPECT_EQ(AnsiPtrToString(nullptr), QString());
    EXPECT_EQ(AnsiPtrToString("Kossuth R\xE1"
                              "di\xF3"),
              QStringLiteral("Kossuth Rádió"));
    EXPECT_EQ(AnsiPtrToString("\xEF\xBB\xBFR\xC3\xA1"
                              "di\xC3\xB3"),
              QStringLiteral("Rádió"));
}

}  // namespace

// A channel level splits into the left (low) and right (high) words, each put on the meters'
// 0..100 scale with halves to the even number.
TEST(AudioValues, LevelWordsGoOnTheMetersScale) {
    const struct {
        std::uint32_t level;
        int left;
        int right;
    } rows[] = {
        {0x80000000u + 16384u, 50, 100},   // full scale on the right
        {(4096u << 16) + 12288u, 38, 12},  // 37.5 and 12.5 go to the even neighbours
        {ZVA_LEVEL_NONE, 0, 0},            // a channel that stopped between two questions
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zvengine::meterLevel(zvengine::LowWord(row.level)), row.left) << row.level;
        EXPECT_EQ(zvengine::meterLevel(zvengine::HighWord(row.level)), row.right) << row.level;
    }
}
