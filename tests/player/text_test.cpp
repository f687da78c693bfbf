// The small text rules of the window: label values and their display, and the clock line.
#include "engine/receiverview.h"
#include "ui/clockline.h"
#include "ui/skinlabel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

TEST(SkinLabelText, ValueIsKeptAsSetAndShownAsTheOriginalLabels) {
    SkinLabel label("lblTitle");
    QSignalSpy changed(&label, &SkinLabel::changed);
    label.setValue("Rock && Roll\rmásodik sor");
    EXPECT_EQ(label.value(), "Rock && Roll\rmásodik sor");
    EXPECT_EQ(label.text(), "Rock & Roll\nmásodik sor");
    label.setValue(label.value());
    EXPECT_EQ(changed.count(), 2);  // the change event fires on every assignment
    EXPECT_EQ(zvengine::displayText("a\r\nb&&&&c&"), "a\nb&&c&");
}

TEST(ClockLine, HungarianAndEnglish) {
    const QDateTime evening(QDate(2026, 12, 6), QTime(21, 5, 59));
    EXPECT_EQ(clockText(evening, QLocale(QLocale::Hungarian, QLocale::Hungary)),
              "21:05, 2026. december 6. vasárnap");
    const QDateTime morning(QDate(2027, 3, 1), QTime(7, 0));
    EXPECT_EQ(clockText(morning, QLocale(QLocale::English, QLocale::UnitedStates)),
              "07:00, March 1, 2027 Monday");
}
