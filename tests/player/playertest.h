// What the receiver's tests share: a private program folder, TEMP folder and settings store
// for every test, message boxes that record what they showed and answer from a script, an end
// of the program that unwinds to the test, and a desktop that only notes what it was asked to
// open.
#pragma once

#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace zvtest {

// Thrown by the test's end of the program; not a std::exception, so it passes every trap.
struct ProgramEnded {
    int status;
};

struct ShownBox {
    QString title;
    QString text;
    zvbox::Icon icon;
    zvbox::Buttons buttons;
};

class ScriptedBoxes : public zvbox::MessageBoxes {
public:
    zvbox::Answer show(const QString& title, const QString& text, zvbox::Icon icon,
                       zvbox::Buttons buttons) override;

    std::vector<ShownBox> shown;
    std::deque<zvbox::Answer> answers;  // taken in order; Ok when empty
};

class PlayerTest : public ::testing::Test {
protected:
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

    QTemporaryDir programDir;
    QTemporaryDir tempDir;
    ScriptedBoxes boxes;
    static std::vector<QUrl> opened;  // what the desktop was asked to open
};

}  // namespace zvtest
