// How stream tags read, for the receiver and zvplay alike: the title of a metadata block, and
// tag bytes as text.
#include "tagtext.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(TagText, TheTitleRunsToTheFirstQuoteSemicolonElseTheLastQuote) {
    const struct {
        const char* block;
        std::optional<std::string> title;
    } rows[] = {
        {"StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song"},
        {"StreamTitle='';", ""},
        {"StreamTitle='A; B;C';StreamUrl='';", "A; B;C"},
        {"StreamTitle='It's; here';", "It's; here"},
        {"StreamTitle='No semicolon'", "No semicolon"},
        {"StreamTitle='Quote 'n' more", "Quote 'n"},
        {"StreamTitle='Open end", "Open end"},
        {"StreamTitle=';", ";"},
        {"StreamTitle='", ""},
        {"streamtitle='Artist';", std::nullopt},
        {"StreamUrl='x';StreamTitle='y';", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zva::streamTitle(row.block), row.title) << row.block;
    }
}

TEST(TagText, Utf8StaysAndOtherBytesAreWindows1250) {
    const struct {
        const char* bytes;
        const char* text;
    } rows[] = {
        {"", ""},
        {"Els\xC5\x91 El\xC5\x91"
         "ad\xC3\xB3",
         "Első Előadó"},
        // "Árvíztűrő" in Windows-1250: Á=C1 í=ED ű=FB ő=F5.
        {"\xC1rv\xEDzt\xFBr\xF5", "Árvíztűrő"},
        {"\x8A\xE8", "Šč"},
        // A cut sequence, a lone continuation byte, an overlong form and a surrogate are no UTF-8.
        {"a\xE9", "aé"},
        {"\xC5", "Ĺ"},
        {"\xC0\xAF", "ŔŻ"},
        {"\xED\xA0\x80", "í\u00A0€"},
        // 0x81 and 0x98 have no character in the code page.
        {"x\x81y\x98", "x\uFFFDy\uFFFD"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(zva::tagTextToUtf8(row.bytes), row.text) << row.bytes;
    }
}

}  // namespace
