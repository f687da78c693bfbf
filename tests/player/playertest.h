// What the receiver's tests share: a private program folder, TEMP folder and settings store
// for every test, message boxes that record what they showed and answer from a script, an end
// of the program that unwinds to the test, and a desktop that only notes what it was asked to
// open.
#pragma once

#include "platform/messagebox.h"
#include "stationd.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

class frmMain;
namespace zvengine {
struct StationList;
}

namespace zvtest {

// Thrown by the test's end of the program; not a std::exception, so it passes every trap.
struct ProgramEnded {
    int status;
};

struct ShownBox {
    QString title;
    QString text;
    zvbox::Icon icon = zvbox::Icon::Error;
    zvbox::Buttons buttons = zvbox::Buttons::Ok;
    bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

class ScriptedBoxes : public zvbox::MessageBoxes {
public:
    zvbox::Answer show(const QString& title, const QString& text, zvbox::Icon icon,
                       zvbox::Buttons buttons) override;

    std::vector<ShownBox> shown;
    std::deque<zvbox::Answer> answers;  // taken in order; Ok when empty
    // Runs once, while the next box is open, as that box's event loop would deliver it.
    std::function<void()> whileOpen;
};

class PlayerTest : public ::testing::Test {
protected:
    using Boxes = std::vector<ShownBox>;  // what a test expects shown, compared whole
    void SetUp() override;
    void TearDown() override;

    QString programPath(const QString& name) const;
    // A file in the receiver's TEMP folder (the private folder inside tempDir).
    static QString tempPath(const QString& name);
    static void writeFile(const QString& path, const QByteArray& content);
    static QByteArray readFile(const QString& path);
    // The exit status when run ends the program; nothing when it returns.
    static std::optional<int> endOf(const std::function<void()>& run);
    // Puts the four skins of the build next to the program.
    void installSkins() const;
    // Puts the audio library and its AAC add-on of the build next to the program.
    void installAudioLibrary() const;
    // Puts the built receiver, its skins and audio library in the program folder, with
    // `stationFile` as its local zvadok.ini.
    void installReceiver(const QByteArray& stationFile) const;
    // Starts the installed receiver with `arguments`, in this test's settings store, TEMP and
    // runtime folders, with a home folder of its own; false when it does not start.
    bool startReceiver(QProcess& copy, const QStringList& arguments) const;
    // Waits for a started receiver's window to be up (its record in the settings store); on a
    // failure, says whether the receiver still runs and what it wrote on its error output.
    static ::testing::AssertionResult windowUp(QProcess& receiver);
    // A main window over `list` after its load, as the program shows it.
    static std::unique_ptr<frmMain> loadedWindow(zvengine::StationList& list, int station = 0);
    template <typename T>
    static T* control(const QWidget& window, const QString& name) {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    static QString url(const Stationd& server, const std::string& path) {
        return QString::fromStdString(server.url(path));
    }
    // Shows `window` and makes it the active one; true once the platform says it is.
    static bool showActive(QWidget& window);
    // Opens the audio library on its first device; true when it opened.
    static bool openAudio();
    // Whether the current stream plays, asked of the audio library.
    static bool playing();
    // Waits for the station's worker to end; false when it is still running.
    static bool workerDone();

    QTemporaryDir programDir;
    QTemporaryDir tempDir;
    QTemporaryDir runtimeDir;                 // XDG_RUNTIME_DIR
    std::optional<QByteArray> runtimeBefore;  // XDG_RUNTIME_DIR before the test, when set
    QTemporaryDir homeDir;                    // HOME of a receiver started by startReceiver
    ScriptedBoxes boxes;
    std::function<void()> restoreEngine;  // puts back the engine's state that SetUp found
    static std::vector<QUrl> opened;      // what the desktop was asked to open
};

}  // namespace zvtest
