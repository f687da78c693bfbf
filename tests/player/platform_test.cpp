// The platform's parts: the settings store and the real message boxes.
#include "platform/messagebox.h"
#include "platform/qthungarian.h"
#include "platform/settingsstore.h"
#include "playertest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include <sys/stat.h>

using namespace zvsettings;

using Settings = zvtest::PlayerTest;

// The stored volume is kept within 3..50; a volume or device that is missing or not a number
// gives the default.
TEST_F(Settings, VolumeAndDeviceAreCheckedOnRead) {
    const struct {
        const char* key;
        const char* stored;  // nullptr: none
        int applied;
    } rows[] = {
        {"Hangero", nullptr, 48},  {"Hangero", "0", 3},           {"Hangero", "1", 3},
        {"Hangero", "2", 3},       {"Hangero", "3", 3},           {"Hangero", "27", 27},
        {"Hangero", "50", 50},     {"Hangero", "70", 50},         {"Hangero", "-4", 3},
        {"Hangero", "hangos", 48}, {"Hangero", "", 48},           {"Hangkartya", nullptr, -1},
        {"Hangkartya", "2", 2},    {"Hangkartya", "második", -1},
    };
    for (const auto& row : rows) {
        removeSection(kSettingsSection);
        if (row.stored != nullptr) {
            write(kSettingsSection, row.key, row.stored);
        }
        const bool volume = std::string_view(row.key) == "Hangero";
        EXPECT_EQ(volume ? storedVolume() : storedDevice(), row.applied)
            << row.key << " " << (row.stored != nullptr ? row.stored : "none");
    }
}

TEST_F(Settings, RemovingASectionTakesAllItsKeys) {
    write(kWindowSection, "WindowHandle", "4711");
    write(kWindowSection, "Masik", "1");
    write(kSettingsSection, "Hangero", "20");
    EXPECT_TRUE(removeSection(kWindowSection));
    EXPECT_EQ(read(kWindowSection, "WindowHandle", "nincs"), "nincs");
    EXPECT_EQ(read(kWindowSection, "Masik"), "");
    EXPECT_EQ(storedVolume(), 20);
    EXPECT_FALSE(removeSection(kWindowSection));
}

// The store may hold proxy credentials: it is its owner's alone from its first write on, after
// every rewrite and removal, and once written again after an earlier version left it open.
TEST_F(Settings, TheStoreIsItsOwnersAlone) {
    const QString file =
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Zenovia", "Zenovia").fileName();
    const mode_t umaskBefore = ::umask(022);
    QFile::remove(file);
    storeProxy({false, "anna:titok@127.0.0.1:3128"});
    for (const int change : {0, 1, 2, 3}) {
        if (change == 1) {
            removeSection(kWindowSection);
        } else if (change == 2) {
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        }
        write(kWindowSection, "WindowHandle", QString::number(change));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << "change " << change;
    }
    ::umask(umaskBefore);
}

// The real message boxes, built as the receiver shows them: Hungarian standard buttons.
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

// The program's end does not wait for an answer: the real box open then goes at once, answered
// as dismissed. (Should it stay, the user's close answers it another way after 20 s.)
TEST(MessageBoxButtons, TheOpenBoxGoesAtTheEnd) {
    const QObject test;
    QTimer::singleShot(0, &test, [] { zvbox::closeOpenBox(); });
    QTimer::singleShot(20000, &test, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(zvbox::messageBoxes().show("Hiba", "Egy", zvbox::Icon::Error, zvbox::Buttons::Ok),
              zvbox::Answer::Cancel);
}
