#include "platform/settingsstore.h"
#include "playertest.h"

using namespace zvsettings;

namespace {

class Settings : public zvtest::PlayerTest {
protected:
    void storeVolume(const char* value) {
        write(kSettingsSection, QStringLiteral("Hangero"), QString::fromLatin1(value));
    }
};

}  // namespace

TEST_F(Settings, FreshAccountDefaults) {
    EXPECT_EQ(storedVolume(), 48);
    EXPECT_EQ(storedDevice(), -1);
    EXPECT_EQ(read(kWindowSection, QStringLiteral("WindowHandle")), QString());
}

TEST_F(Settings, VolumeIsClampedAndCheckedOnRead) {
    const std::pair<const char*, int> cases[] = {
        {"0", 3},   {"1", 3},   {"2", 3},  {"3", 3},       {"27", 27},
        {"50", 50}, {"70", 50}, {"-4", 3}, {"hangos", 48}, {"", 48},
    };
    for (const auto& [stored, applied] : cases) {
        storeVolume(stored);
        EXPECT_EQ(storedVolume(), applied) << stored;
    }
}

TEST_F(Settings, DeviceThatIsNotANumberIsTheDefault) {
    write(kSettingsSection, QStringLiteral("Hangkartya"), QStringLiteral("2"));
    EXPECT_EQ(storedDevice(), 2);
    write(kSettingsSection, QStringLiteral("Hangkartya"), QStringLiteral("második"));
    EXPECT_EQ(storedDevice(), -1);
}

TEST_F(Settings, RemovingASectionTakesAllItsKeys) {
    write(kWindowSection, QStringLiteral("WindowHandle"), QStringLiteral("4711"));
    write(kWindowSection, QStringLiteral("Masik"), QStringLiteral("1"));
    storeVolume("20");
    EXPECT_TRUE(removeSection(kWindowSection));
    EXPECT_EQ(read(kWindowSection, QStringLiteral("WindowHandle"), QStringLiteral("nincs")),
              QStringLiteral("nincs"));
    EXPECT_EQ(read(kWindowSection, QStringLiteral("Masik")), QString());
    EXPECT_EQ(storedVolume(), 20);
    EXPECT_FALSE(removeSection(kWindowSection));
}
