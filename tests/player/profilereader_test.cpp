#include "startup/profilereader.h"
#include "playertest.h"

#include <QStringEncoder>

using modRegistryIni::findProfileValue;
using modRegistryIni::ReadProfileValue;

namespace {

class ProfileReader : public zvtest::PlayerTest {
protected:
    QString read(const QString& section, const QString& key, const QString& fallback = {}) {
        return ReadProfileValue(file(), section, key, "s", fallback);
    }
    QString file() const { return programPath("zvadok.ini"); }
};

}  // namespace

// Section and key names match without case, the first match wins and a section that appears
// twice is searched in both places; quotes around a value go, values are cut at 254 characters.
TEST_F(ProfileReader, NamesQuotesAndLongValues) {
    writeFile(file(),
              "[adok]\r\n  AdoUrl0 =  http://egy  \r\nadourl0=http://masodik\r\n"
              "[Main]\r\npictdef=kep.gif\r\n[ADOK]\r\nadoNam0=Elso\r\n"
              "[Update]\nleiras=\"Új verzió, idézve\"\nurl='http://a'\nhosszu=" +
                  QByteArray(300, 'x') + "\nfel=\"csak eleje\n");
    const struct {
        const char *section, *key;
        QString value;
    } rows[] = {
        {"Adok", "adoUrl0", "http://egy"},
        {"MAIN", "PICTDEF", "kep.gif"},
        {"adok", "adonam0", "Elso"},
        {"Main", "adoUrl0", "alap"},  // a key of another section is not found
        {"Update", "leiras", "Új verzió, idézve"},
        {"Update", "url", "http://a"},
        {"Update", "hosszu", QString(254, u'x')},
        {"Update", "fel", "\"csak eleje"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(read(row.section, row.key, "alap"), row.value) << row.key;
    }
}

TEST_F(ProfileReader, EncodingsOfTheFile) {
    const QString text = "[Adok]\r\nadoNam0=Árvíztűrő tükörfúrógép\r\n";
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
        EXPECT_EQ(read("Adok", "adoNam0"), "Árvíztűrő tükörfúrógép") << name;
    }
}

TEST_F(ProfileReader, MissingFilesAndKindsGiveTheDefault) {
    const QString missing = programPath("nincs.ini");
    EXPECT_EQ(ReadProfileValue(missing, "Adok", "adoUrl0", "S", "alap"), "alap");
    EXPECT_FALSE(QFile::exists(missing));
    // A folder is not a profile file.
    EXPECT_EQ(ReadProfileValue(programDir.path(), "Adok", "x", "S", "d"), "d");
    writeFile(file(), "[Adok]\nadoUrl0=x\n");
    EXPECT_EQ(ReadProfileValue(file(), "Adok", "adoUrl0", "N", "d"), "d");
}

TEST(ProfileText, BrokenLinesAreSkipped) {
    const QString text = "[Adok\nadoUrl0=a\n=ures\n[]\nnincsegyenlo\n[Adok]\nk=v";
    // An unclosed section header still names its section.
    EXPECT_EQ(findProfileValue(text, "Adok", "adoUrl0"), "a");
    EXPECT_EQ(findProfileValue(text, "Adok", "k"), "v");
    EXPECT_FALSE(findProfileValue(text, "Adok", QString()).has_value());
    EXPECT_FALSE(findProfileValue(text, "Main", "k").has_value());
}
