#include "dialogs/frmabout.h"
#include "dialogs/frmsett.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "engine/recordingstate.h"
#include "platform/settingsstore.h"
#include "playertest.h"
#include "privatepulse.h"
#include "ui/frmmain.h"
#include "ui/skinlabel.h"
#include "version.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <zvaudio.h>

namespace {

class Dialogs : public zvtest::PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        installSkins();
        // Station 10 is offered too, so F10 would start something.
        for (int i : {0, 1, 2, 9}) {
            list.stations[static_cast<size_t>(i)].enabled = true;
            list.stations[static_cast<size_t>(i)].streamUrl = "http://127.0.0.1:1/";
        }
    }

    zvengine::StationList list;
    QWidget* skinned = nullptr;
    std::function<void(QWidget*)> skin = [this](QWidget* dialog) { skinned = dialog; };
};

}  // namespace

// The device list is the audio library's, in its order; the stored device is preselected.
TEST_F(Dialogs, DeviceListComesFromTheAudioLibrary) {
    const zvtest::PrivatePulse pulse;
    if (!pulse.available()) {
        GTEST_SKIP() << zvtest::PrivatePulse::kMissing;
    }
    const std::pair<const char*, int> cases[] = {{"2", 1}, {"1", 0}, {"-1", -1}, {"0", -1}};
    for (const auto& [stored, selected] : cases) {
        zvsettings::write(zvsettings::kSettingsSection, "Hangkartya", stored);
        zvengine::deviceChoice().deviceIndex = zvsettings::storedDevice();
        frmSett dialog(skin);
        QComboBox* devices = control<QComboBox>(dialog, "cmbDev");
        EXPECT_EQ(devices->count(), 2);
        EXPECT_EQ(devices->itemText(0) + "," + devices->itemText(1), "Egyes,Kettes");
        EXPECT_EQ(devices->currentIndex(), selected) << stored;
    }
}

// OK changes the device only when another one is chosen: the sound stops, the main window
// shows the prompt and the number is stored. The same device, or none chosen, changes nothing.
TEST_F(Dialogs, OkChangesTheDeviceOnlyWhenAnotherIsChosen) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    list.stations[0].streamUrl = url(server, "/mp3");
    const struct {
        int device;    // open before the dialog
        int position;  // chosen in the list; -1 = none
        bool changes;
    } cases[] = {{1, 0, false}, {-1, -1, false}, {0, 0, true}};
    for (const auto& c : cases) {
        zvsettings::write(zvsettings::kSettingsSection, "Hangkartya", "tárolt");
        zvengine::deviceChoice().deviceIndex = zvengine::deviceChoice().previousDevice = c.device;
        ZVA_Free();
        ASSERT_EQ(ZVA_Init(c.device, 44100, 0, nullptr, nullptr), 1);
        const auto window = loadedWindow(list);
        window->autoPlay(1);
        ASSERT_TRUE(QTest::qWaitFor(playing));
        const std::uint32_t stream = zvengine::playerState().streamHandle();
        const std::uint64_t generation = zvengine::playerState().generation();

        frmSett dialog(skin);
        control<QComboBox>(dialog, "cmbDev")->setCurrentIndex(c.position);
        control<QPushButton>(dialog, "cmOK")->click();
        const int expected = c.changes ? c.position + 1 : c.device;
        EXPECT_EQ(zvengine::deviceChoice().deviceIndex, expected) << c.device;
        EXPECT_EQ(zvengine::deviceChoice().previousDevice, expected) << c.device;
        EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "Hangkartya"),
                  c.changes ? QString::number(expected) : "tárolt");
        EXPECT_EQ(zvengine::playerState().generation() != generation, c.changes);
        // A busy machine may let the kept stream stall for a moment; it is not stopped.
        EXPECT_EQ(ZVA_ChannelIsActive(stream) == ZVA_ACTIVE_STOPPED, c.changes);
        if (c.changes) {
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return control<SkinLabel>(*window, "lblTitle")->value() == frmMain::kPrompt &&
                       control<SkinLabel>(*window, "lblName")->value().isEmpty();
            }));
        }
        window->close();
    }
}

// However a box changes, by a click, a screen reader's toggle or the space bar, what it shows is
// what holds: recording, the notices and every station at one loudness show the stored switch and
// follow "Adás mentése…", "Értesítés…" and "Egyenletes hangerő…" at once, the library's levelling
// too, Cancel keeping the change; the stored proxy shows, and "Közvetlen
// kapcsolat" empties and greys it.
TEST_F(Dialogs, EveryChangeOfABoxHoldsAsItShows) {
    const auto click = [](QCheckBox* box) { box->click(); };
    const auto toggle = [](QCheckBox* box) {
        QAccessible::queryAccessibleInterface(box)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
    };
    const auto space = [](QCheckBox* box) { QTest::keyClick(box, Qt::Key_Space); };
    const struct {
        const char* way;
        std::function<void(QCheckBox*)> change;
        bool recording;  // stored before the dialog opens
    } rows[] = {{"click", click, false},
                {"click", click, true},
                {"toggle", toggle, false},
                {"space", space, true}};
    for (const auto& row : rows) {
        zvengine::setRecordingEnabled(row.recording);
        zvsettings::storeNotices(row.recording);
        zvsettings::storeLevelling(row.recording);
        zvsettings::storeProxy({false, "nev:titok@127.0.0.1:3128"});
        frmSett dialog(skin);
        QCheckBox* save = control<QCheckBox>(dialog, "chkSave");
        QCheckBox* notice = control<QCheckBox>(dialog, "chkNotice");
        QCheckBox* level = control<QCheckBox>(dialog, "chkLevel");
        QCheckBox* direct = control<QCheckBox>(dialog, "chkDirectConnect");
        QLineEdit* proxy = control<QLineEdit>(dialog, "txtProxy");
        EXPECT_EQ(save->isChecked(), row.recording) << row.way;
        EXPECT_EQ(notice->isChecked(), row.recording) << row.way;
        EXPECT_EQ(level->isChecked(), row.recording) << row.way;
        EXPECT_TRUE(save->text().endsWith(" (" + programDir.path() + ")"));
        EXPECT_EQ(proxy->text(), "nev:titok@127.0.0.1:3128");
        for (const bool ticked : {true, false}) {
            row.change(save);
            row.change(direct);
            row.change(notice);
            row.change(level);
            EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "Ertesites"),
                      ticked != row.recording ? "1" : "0")
                << row.way;
            EXPECT_EQ(zvsettings::read(zvsettings::kSettingsSection, "EgyenletesHangero"),
                      ticked != row.recording ? "1" : "0")
                << row.way;
            EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), ticked != row.recording ? 1u : 0u);
            EXPECT_EQ(save->isChecked(), ticked != row.recording) << row.way;
            EXPECT_EQ(zvengine::recordingState().recordingEnabled, ticked != row.recording)
                << row.way;
            EXPECT_EQ(direct->isChecked(), ticked) << row.way;
            EXPECT_EQ(proxy->isEnabled(), !ticked) << row.way;
            EXPECT_EQ(proxy->text(), "") << row.way;
        }
        row.change(save);
        row.change(notice);
        row.change(level);
        control<QPushButton>(dialog, "cmdCancl")->click();
        EXPECT_EQ(zvengine::recordingState().recordingEnabled, !row.recording) << row.way;
        EXPECT_EQ(zvsettings::storedNotices(), !row.recording) << row.way;
        EXPECT_EQ(zvsettings::storedLevelling(), !row.recording) << row.way;
        EXPECT_EQ(ZVA_GetConfig(ZVA_CONFIG_LEVEL), row.recording ? 0u : 1u) << row.way;
    }
}

// The about box: the version line, the credit only with the local station file, the skin, and
// the licence opened from the program folder.
TEST_F(Dialogs, AboutBoxShowsVersionCreditAndLicence) {
    for (const bool local : {false, true}) {
        frmAbout dialog(skin, local);
        EXPECT_EQ(skinned, &dialog);
        EXPECT_EQ(control<QLabel>(dialog, "lblVer")->text(), "Zenovia v." ZENOVIA_VERSION);
        EXPECT_EQ(control<QLabel>(dialog, "lblAbout")->text().contains("írták"), local);
        control<QPushButton>(dialog, "cmdLic")->click();
        EXPECT_EQ(opened.back(), QUrl::fromLocalFile(programPath("licensz.txt")));
    }
}

// The window menu: the window's own commands, a separator, then settings, about, manual and the
// titles heard; a right click anywhere, the Menu key and Shift+F10 open it; the dialog entries
// open their dialogs modal, and the activation after a dialog closes starts nothing.
TEST_F(Dialogs, WindowMenuOpensTheDialogsAndNothingRestartsAfter) {
    ASSERT_TRUE(openAudio());
    frmMain window(list, 3);
    window.Form_Load();
    ASSERT_TRUE(showActive(window));
    ASSERT_EQ(zvengine::playerState().currentStation, 2);

    QMenu* menu = control<QMenu>(window, "modFormMenu");
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(texts, QStringList({"Kis méret", "Bezárás", "-", "&Beállítások...", "&Névjegy...",
                                  "&Használati útmutató...", "&Elhangzott számok..."}));

    QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, {5, 5});
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {5, 5}, {5, 5});
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    const std::pair<QEvent*, QWidget*> openings[] = {{&click, control<QWidget>(window, "lblTitle")},
                                                     {&menuKey, QApplication::focusWidget()},
                                                     {&shiftF10, QApplication::focusWidget()}};
    for (const auto& [opening, target] : openings) {
        menu->hide();
        QApplication::sendEvent(target, opening);
        EXPECT_TRUE(menu->isVisible()) << opening->type();
    }
    menu->hide();
    EXPECT_EQ(zvengine::playerState().currentStation, 2) << "Shift+F10 is no station key";

    const std::pair<int, const char*> cases[] = {{3, "cmOK"},  {3, "cmdCancl"}, {3, nullptr},
                                                 {4, "cmdOK"}, {4, nullptr},    {6, "cmdClose"}};
    for (const auto& [entry, button] : cases) {
        zvengine::playerState().currentStation = -1;
        QString shown;
        QTimer::singleShot(0, [&, button = button] {
            QWidget* dialog = QApplication::activeModalWidget();
            shown = dialog->objectName();
            if (button != nullptr) {
                control<QPushButton>(*dialog, button)->click();
            } else {
                dialog->close();
            }
        });
        menu->actions()[entry]->trigger();
        EXPECT_EQ(shown, QStringList({"frmSett", "frmAbout", "", "frmHistory"})[entry - 3]);
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(zvengine::playerState().currentStation, -1) << entry << button;
    }
    menu->actions()[5]->trigger();
    EXPECT_EQ(opened.back(), QUrl::fromLocalFile(programPath("ZenoviaHasznalatiUtmutato.pdf")));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(window.isMinimized());
    menu->actions()[1]->trigger();
    EXPECT_FALSE(window.isVisible());
}
