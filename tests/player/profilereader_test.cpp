#include "startup/profilereader.h"
#include "playertest.h"

#include <QStringEncoder>

using modRegistryIni::findProfileValue;
using modRegistryIni::ReadProfileValue;

namespace {

class ProfileReader : public zvtest::PlayerTest {
protected:
    QString read(const QString& section, const QString& key, const QString& fallback = {}) {
        return ReadProfileValue(file(), section, key, QStringLiteral("s"), fallback);
    }
    QString file() const { return programPath(QStringLiteral("zvadok.ini")); }
};

}  // namespace

TEST_F(ProfileReader, NamesMatchWithoutCaseAndTheFirstMatchWins) {
    writeFile(file(),
              "[adok]\r\n"
              "  AdoUrl0 =  http://egy  \r\n"
              "adourl0=http://masodik\r\n"
              "[Main]\r\n"
              "pictdef=kep.gif\r\n"
              "[ADOK]\r\n"
              "adoNam0=Elso\r\n");
    EXPECT_EQ(read(QStringLiteral("Adok"), QStringLiteral("adoUrl0")),
              QStringLiteral("http://egy"));
    EXPECT_EQ(read(QStringLiteral("MAIN"), QStringLiteral("PICTDEF")), QStringLiteral("kep.gif"));
    // A section that appears twice is searched in both places.
    EXPECT_EQ(read(QStringLiteral("adok"), QStringLiteral("adonam0")), QStringLiteral("Elso"));
    // A key of another section is not found.
    EXPECT_EQ(read(QStringLiteral("Main"), QStringLiteral("adoUrl0"), QStringLiteral("alap")),
              QStringLiteral("alap"));
}

TEST_F(ProfileReader, QuotesAndLongValues) {
    const QByteArray longValue(300, 'x');
    writeFile(file(), "[Update]\nleiras=\"Új verzió, idézve\"\nurl='http://a'\nhosszu=" +
                          longValue + "\nfel=\"csak eleje\n");
    EXPECT_EQ(read(QStringLiteral("Update"), QStringLiteral("leiras")),
              QStringLiteral("Új verzió, idézve"));
    EXPECT_EQ(read(QStringLiteral("Update"), QStringLiteral("url")), QStringLiteral("http://a"));
    EXPECT_EQ(read(QStringLiteral("Update"), QStringLiteral("hosszu")), QString(254, u'x'));
    EXPECT_EQ(read(QStringLiteral("Update"), QStringLiteral("fel")),
              QStringLiteral("\"csak eleje"));
}

TEST_F(ProfileReader, EncodingsOfTheFile) {
    const QString text = QStringLiteral("[Adok]\r\nadoNam0=Árvíztűrő tükörfúrógép\r\n");
    auto utf16 = [&](QStringConverter::Encoding encoding) {
        return QByteArray(QStringEncoder(encoding).encode(text));
    };
    const std::pair<const char*, QByteArray> rows[] = {
        {"Windows-1250", "[Adok]\nadoNam0=\xC1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p\n"},
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text.toUtf8()},
        {"UTF-16LE with its mark", "\xFF\xFE" + utf16(QStringConverter::Utf16LE)},
        {"UTF-16BE with its mark", "\xFE\xFF" + utf16(QStringConverter::Utf16BE)},
    };
    for (const auto& [name, bytes] : rows) {
        writeFile(file(), bytes);
        EXPECT_EQ(read(QStringLiteral("Adok"), QStringLiteral("adoNam0")),
                  QStringLiteral("Árvíztűrő tükörfúrógép"))
            << name;
    }
}

TEST_F(ProfileReader, MissingFilesAndKindsGiveTheDefault) {
    const QString missing = programPath(QStringLiteral("nincs.ini"));
    EXPECT_EQ(ReadProfileValue(missing, QStringLiteral("Adok"), QStringLiteral("adoUrl0"),
                               QStringLiteral("S"), QStringLiteral("alap")),
              QStringLiteral("alap"));
    EXPECT_FALSE(QFile::exists(missing));
    // A folder is not a profile file.
    EXPECT_EQ(ReadProfileValue(programDir.path(), QStringLiteral("Adok"), QStringLiteral("x"),
                               QStringLiteral("S"), QStringLiteral("d")),
              QStringLiteral("d"));
    writeFile(file(), "[Adok]\nadoUrl0=x\n");
    EXPECT_EQ(ReadProfileValue(file(), QStringLiteral("Adok"), QStringLiteral("adoUrl0"),
                               QStringLiteral("N"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(ProfileText, BrokenLinesAreSkipped) {
    const QString text = QStringLiteral("[Adok\nadoUrl0=a\n=ures\n[]\nnincsegyenlo\n[Adok]\nk=v");
    // An unclosed section header still names its section.
    EXPECT_EQ(findProfileValue(text, QStringLiteral("Adok"), QStringLiteral("adoUrl0")),
              QStringLiteral("a"));
    EXPECT_EQ(findProfileValue(text, QStringLiteral("Adok"), QStringLiteral("k")),
              QStringLiteral("v"));
    EXPECT_FALSE(findProfileValue(text, QStringLiteral("Adok"), QString()).has_value());
    EXPECT_FALSE(findProfileValue(text, QStringLiteral("Main"), QStringLiteral("k")).has_value());
}
