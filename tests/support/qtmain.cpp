// The main of the tests that need widgets: a QApplication on the offscreen platform (unless the
// environment names another), and a settings store and state folder in private folders, never
// the user's own, also when CTest lists the tests without the test environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Qt's libraries, GLib (Qt's event loop) and libdbus (Qt's session bus) are not built for
// ThreadSanitizer: the queued calls that carry a worker's labels and the bus's requests to the
// UI thread, and GLib's own allocator, synchronise inside them where it cannot see, so races it
// reports within or through them are excused. The receiver's own shared state is not: it is
// atomic or locked with the standard library, which it sees.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\nrace:libglib-2.0.so\n"
           "called_from_lib:libQt6Core.so\ncalled_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n"
           "race:libdbus-1.so\nrace:libQt6DBus.so\ncalled_from_lib:libdbus-1.so\n"
           "called_from_lib:libQt6DBus.so\n";
}

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
