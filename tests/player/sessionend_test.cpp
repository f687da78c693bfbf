#include "platform/settingsstore.h"
#include "playertest.h"

#include <QProcess>

#include <csignal>

using namespace zvsettings;

using SessionEnd = zvtest::PlayerTest;

// A kill or the end of the session closes a running receiver as its close button would: the
// volume is stored, the window's record removed, and the program ends normally.
TEST_F(SessionEnd, EndingSignalsCloseTheWindowThroughItsUnload) {
#if defined(__SANITIZE_THREAD__)
    // The signals cross processes, not threads, and the ThreadSanitizer tree builds the tests
    // alone, without the receiver.
    GTEST_SKIP() << "not under ThreadSanitizer";
#endif
    installReceiver("[Adok]\nadoUrl0=http://127.0.0.1:1/adas\nenable0=1\n");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        removeSection(kSettingsSection);
        removeSection(kWindowSection);
        QProcess receiver;
        ASSERT_TRUE(startReceiver(receiver, {}));
        ASSERT_TRUE(windowUp(receiver));
        ::kill(static_cast<pid_t>(receiver.processId()), signal);
        ASSERT_TRUE(receiver.waitForFinished(30000)) << signal;
        EXPECT_EQ(receiver.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(receiver.exitCode(), 0)
            << signal << receiver.readAllStandardError().toStdString();
        EXPECT_EQ(read(kSettingsSection, "Hangero"), "48") << signal;
        EXPECT_EQ(read(kWindowSection, "WindowHandle", "nincs"), "nincs") << signal;
    }
}
