// Chain header reading: the codec from a chain's first packet, the title from its comment
// packet, whatever the packets hold.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "oggheaders.h"
#include "oggpage.h"

namespace {

using zva::OggCodec;

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// A comment packet's body: vendor, `count` (the fields' number unless given), the fields.
std::string commentBody(const std::vector<std::string>& fields, std::uint32_t count = ~0u) {
    std::string body = le32(6) + "vendor" + le32(count != ~0u ? count : fields.size());
    for (const std::string& field : fields) {
        body += le32(field.size()) + field;
    }
    return body;
}

std::optional<std::string> title(OggCodec codec, const std::string& packet) {
    return zva::oggCommentTitle(codec, reinterpret_cast<const unsigned char*>(packet.data()),
                                packet.size());
}

TEST(OggHeaders, CommentTitleNamesArtistAndTitle) {
    using Fields = std::vector<std::string>;
    const struct {
        Fields fields;
        std::optional<std::string> expected;
    } cases[] = {
        {{"ARTIST=Fehér Lili", "TITLE=Nyári eső"}, "Fehér Lili - Nyári eső"},
        {{"title=Őszi ágak", "Artist=Kertész"}, "Kertész - Őszi ágak"},
        {{"TITLE=Only", "ALBUM=x"}, "Only"},
        {{"ARTIST=", "TITLE=Alone"}, "Alone"},
        {{"ARTIST=A", "TITLE=First", "artist=B", "TITLE=Second"}, "A - First"},
        {{"ALBUM=x", "TITLE"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string body = commentBody(c.fields);
        EXPECT_EQ(title(OggCodec::Vorbis, "\x03vorbis" + body + "\x01"), c.expected);
        EXPECT_EQ(title(OggCodec::Opus, "OpusTags" + body), c.expected);
        EXPECT_EQ(title(OggCodec::Flac, std::string("\x84\0\0\0", 4) + body), c.expected);
    }
    // Hostile counts and lengths end the walk at the packet's end.
    const std::string good = "TITLE=x";
    EXPECT_EQ(title(OggCodec::Opus, "OpusTags" + commentBody({good}, 0xFFFFFFFF)), "x");
    EXPECT_EQ(title(OggCodec::Opus, "OpusTags" + commentBody({good}).substr(0, 20)), std::nullopt);
    EXPECT_EQ(title(OggCodec::Opus, "OpusTags" + le32(0xFFFFFFF0) + "vendor"), std::nullopt);
    EXPECT_EQ(title(OggCodec::Vorbis, "OpusTags" + commentBody({good})), std::nullopt);
}

TEST(OggHeaders, StreamHeaderNeedsTheWholeFirstPacket) {
    const struct {
        const char* name;
        OggCodec codec;
        int rate;
    } cases[] = {{"chain-vorbis.ogg", OggCodec::Vorbis, 44100},
                 {"chain-opus.opus", OggCodec::Opus, 48000},
                 {"chain-flac.oga", OggCodec::Flac, 44100}};
    for (const auto& c : cases) {
        const auto bytes = zvtest::audioFixture(c.name);
        zva::OggPageReader reader;
        reader.feed(bytes.data(), bytes.size());
        zva::OggPage page;
        ASSERT_TRUE(reader.next(page));
        const auto* packet =
            reinterpret_cast<const unsigned char*>(page.bytes.data()) + page.headerSize;
        const std::size_t size = page.bytes.size() - page.headerSize;
        const zva::OggStreamHeader header = zva::readOggStreamHeader(packet, size);
        EXPECT_EQ(header.codec, c.codec) << c.name;
        EXPECT_EQ(header.sampleRate, c.rate) << c.name;
        EXPECT_EQ(header.channels, 2) << c.name;
        for (std::size_t cut = 0; cut < size; ++cut) {
            EXPECT_EQ(zva::readOggStreamHeader(packet, cut).codec, OggCodec::Unknown) << cut;
        }
    }
}

}  // namespace
