#include <gtest/gtest.h>

#include "propertybag.h"

using Value = PropertyBag::Value;

TEST(PropertyBag, KeysAreStoredLowerCaseAndMatchedInAnyCase) {
    PropertyBag bag;
    bag.writeProperty("MidLevel", Value::longValue(60));
    bag.writeProperty("PeakDelay", Value::integer(1000));
    EXPECT_EQ(bag.keys(), (QList<QString>{"midlevel", "peakdelay"}));
    EXPECT_EQ(bag.readProperty("MIDLEVEL", Value::longValue(50)), Value::longValue(60));
    EXPECT_EQ(bag.readProperty("midLevel", Value::longValue(50)), Value::longValue(60));
    EXPECT_EQ(bag.readProperty("Level", Value::longValue(50)), Value::longValue(50));

    bag.writeProperty("MIDLEVEL", Value::longValue(70));
    EXPECT_EQ(bag.size(), 2);
    EXPECT_EQ(bag.readProperty("midlevel", Value::longValue(50)), Value::longValue(70));
}

TEST(PropertyBag, ValueEqualToItsDefaultIsOmitted) {
    PropertyBag bag;
    bag.writeProperty("Level", Value::longValue(50), Value::longValue(50));
    bag.writeProperty("ShowPeak", Value::boolean(true), Value::boolean(true));
    EXPECT_EQ(bag.size(), 0);

    // The default is compared after conversion to the value's type.
    bag.writeProperty("Border", Value::boolean(true), Value::longValue(7));
    bag.writeProperty("PeakDelay", Value::integer(500), Value::longValue(500));
    EXPECT_EQ(bag.size(), 0);

    bag.writeProperty("Level", Value::longValue(51), Value::longValue(50));
    EXPECT_TRUE(bag.contains("LEVEL"));
    // Writing the default again removes the earlier value.
    bag.writeProperty("Level", Value::longValue(50), Value::longValue(50));
    EXPECT_FALSE(bag.contains("level"));
}

TEST(PropertyBag, ValuesConvertBetweenTypes) {
    EXPECT_EQ(Value::boolean(true).toLong(), -1);
    EXPECT_EQ(Value::boolean(false).toLong(), 0);
    EXPECT_TRUE(Value::longValue(2).toBool());
    EXPECT_EQ(Value::longValue(70000).toInteger(), 32767);
    EXPECT_EQ(Value::longValue(-70000).toInteger(), -32768);
    EXPECT_EQ(Value::longValue(6000).convertedTo(PropertyBag::Type::Integer), Value::integer(6000));
    EXPECT_NE(Value::longValue(1), Value::integer(1));
}

TEST(PropertyBag, TextFormRoundTrip) {
    PropertyBag bag;
    bag.writeProperty("Level", Value::longValue(-2147483647 - 1));
    bag.writeProperty("BackColor", Value::longValue(0x7FFFFFFF));
    bag.writeProperty("PeakDelay", Value::integer(-32768));
    bag.writeProperty("Gradient", Value::boolean(true));
    bag.writeProperty("Solid", Value::boolean(false));

    const QString text = bag.toText();
    EXPECT_EQ(text,
              "level: Long = -2147483648\n"
              "backcolor: Long = 2147483647\n"
              "peakdelay: Integer = -32768\n"
              "gradient: Boolean = True\n"
              "solid: Boolean = False\n");
    const auto back = PropertyBag::fromText(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, bag);
    EXPECT_EQ(PropertyBag::fromText(QString())->size(), 0);
}

TEST(PropertyBag, TextFormToleratesBlanksCommentsAndLetterCase) {
    const auto bag = PropertyBag::fromText(
        u"# saved meter\r\n\r\n   Level :long=  0  \r\n\tGRADIENT:BOOLEAN = true\nsolid: Boolean = "
        u"FALSE");
    ASSERT_TRUE(bag.has_value());
    EXPECT_EQ(bag->keys(), (QList<QString>{"level", "gradient", "solid"}));
    EXPECT_EQ(bag->readProperty("level", Value::longValue(50)), Value::longValue(0));
    EXPECT_EQ(bag->readProperty("gradient", Value::boolean(false)), Value::boolean(true));
    EXPECT_EQ(bag->readProperty("solid", Value::boolean(true)), Value::boolean(false));
}

TEST(PropertyBag, MalformedTextIsRefusedWithTheLine) {
    const char16_t* bad[] = {
        u"level = 5",            // no type
        u"level: Long",          // no value
        u"level = Long: 5",      // '=' before ':'
        u": Long = 5",           // empty key
        u"mid level: Long = 5",  // blank in the key
        u"level: Short = 5",     // unknown type
        u"level: Long = five",   // not a number
        u"level: Long = +5",     // only plain decimal
        u"level: Long = 0x10",
        u"level: Long = 2147483648",  // out of range
        u"level: Long = 99999999999999999999",
        u"delay: Integer = 32768",
        u"solid: Boolean = 1",                // Booleans are True or False
        u"level: Long = 1\nLEVEL: Long = 2",  // given twice
    };
    for (const char16_t* text : bad) {
        QString error;
        EXPECT_FALSE(PropertyBag::fromText(QStringView(text), &error).has_value())
            << QString::fromUtf16(text).toStdString();
        EXPECT_TRUE(error.startsWith("line ")) << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(PropertyBag::fromText(u"ok: Long = 1\n\nbad", &error).has_value());
    EXPECT_EQ(error.left(7), "line 3:");
}

TEST(PropertyBag, OverlongTextIsRefused) {
    QString text = "level: Long = 1\n";
    text += QString(PropertyBag::kMaxTextSize, u'#');
    QString error;
    EXPECT_FALSE(PropertyBag::fromText(text, &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(PropertyBag::fromText(text.left(PropertyBag::kMaxTextSize)).has_value());
}
