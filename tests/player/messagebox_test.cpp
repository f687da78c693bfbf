// The real message boxes, built as the receiver shows them: Hungarian standard buttons.
#include "platform/messagebox.h"
#include "platform/qthungarian.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>

TEST(MessageBoxButtons, StandardButtonsReadHungarian) {
    ASSERT_TRUE(zvlocale::loadQtHungarian());
    const struct {
        zvbox::Buttons buttons;
        QMessageBox::StandardButton button;
        const char* text;
    } rows[] = {
        {zvbox::Buttons::Ok, QMessageBox::Ok, "OK"},
        {zvbox::Buttons::OkCancel, QMessageBox::Cancel, "Mégse"},
        {zvbox::Buttons::YesNo, QMessageBox::Yes, "Igen"},
        {zvbox::Buttons::YesNo, QMessageBox::No, "Nem"},
    };
    for (const auto& row : rows) {
        const auto box =
            zvbox::buildMessageBox("Hiba", "Egy\rKettő", zvbox::Icon::Error, row.buttons);
        ASSERT_NE(box->button(row.button), nullptr) << row.text;
        EXPECT_EQ(box->button(row.button)->text().remove(QLatin1Char('&')).toStdString(), row.text);
        EXPECT_EQ(box->text(), "Egy\nKettő");
    }
}
