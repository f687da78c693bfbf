#include <gtest/gtest.h>

#include "propertybag.h"

using Value = PropertyBag::Value;

TEST(PropertyBag, KeysAreStoredLowerCaseAndMatchedInAnyCase) {
    PropertyBag bag;
    bag.writeProperty("MidLevel", Value::longValue(60));
    bag.writeProperty("MIDLEVEL", Value::longValue(70));
    EXPECT_EQ(bag.keys(), QList<QString>{"midlevel"});
    EXPECT_EQ(bag.readProperty("midLevel", Value::longValue(50)), Value::longValue(70));
    EXPECT_EQ(bag.readProperty("Level", Value::longValue(50)), Value::longValue(50));
}

TEST(PropertyBag, ValueEqualToItsConvertedDefaultIsOmitted) {
    const struct {
        Value value, byDefault;
        bool kept;
    } cases[] = {
        {Value::longValue(50), Value::longValue(50), false},
        {Value::boolean(true), Value::longValue(7), false},
        {Value::integer(500), Value::longValue(500), false},
        {Value::integer(-32768), Value::longValue(-70000), false},
        {Value::integer(32767), Value::longValue(70000), false},
        {Value::longValue(-1), Value::boolean(true), false},
        {Value::longValue(51), Value::longValue(50), true},
    };
    for (const auto& c : cases) {
        PropertyBag bag;
        bag.writeProperty("Level", Value::longValue(1));  // a default written later removes it
        bag.writeProperty("LEVEL", c.value, c.byDefault);
        EXPECT_EQ(bag.contains("level"), c.kept) << c.value.toLong();
    }
}

// Text read back: accepted text in its canonical form, refused text by the start of the message.
TEST(PropertyBag, TextFormIsReadOrRefusedWithTheLine) {
    const QString maximal = "level: Long = 1\n" + QString(PropertyBag::kMaxTextSize, u'#');
    const std::pair<QString, QString> cases[] = {
        {"level: Long = -2147483648\nbackcolor: Long = 2147483647\npeakdelay: Integer = -32768\n"
         "gradient: Boolean = True\nsolid: Boolean = False\n",
         "level: Long = -2147483648\nbackcolor: Long = 2147483647\npeakdelay: Integer = -32768\n"
         "gradient: Boolean = True\nsolid: Boolean = False\n"},
        {"# saved\r\n\r\n   Level :long=  0  \r\n\tGRADIENT:BOOLEAN = true\nsolid: Boolean = FALSE",
         "level: Long = 0\ngradient: Boolean = True\nsolid: Boolean = False\n"},
        {"", ""},
        {maximal.left(PropertyBag::kMaxTextSize), "level: Long = 1\n"},
        {maximal, "text longer"},
        {"level = 5", "line 1:"},
        {"level: Long", "line 1:"},
        {"level = Long: 5", "line 1:"},
        {": Long = 5", "line 1:"},
        {"mid level: Long = 5", "line 1:"},
        {"level: Short = 5", "line 1:"},
        {"level: Long = five", "line 1:"},
        {"level: Long = +5", "line 1:"},
        {"level: Long = 0x10", "line 1:"},
        {"level: Long = 2147483648", "line 1:"},
        {"level: Long = 99999999999999999999", "line 1:"},
        {"delay: Integer = 32768", "line 1:"},
        {"solid: Boolean = 1", "line 1:"},
        {"ok: Long = 1\n\nbad", "line 3:"},
        {"level: Long = 1\nLEVEL: Long = 2", "line 2:"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.left(80).toStdString());
        QString error;
        const auto bag = PropertyBag::fromText(text, &error);
        EXPECT_EQ(bag ? bag->toText() : error.left(expected.size()), expected);
    }
}
