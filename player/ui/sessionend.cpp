#include "sessionend.h"

#include "engine/devicegate.h"
#include "frmmain.h"
#include "platform/messagebox.h"
#include "platform/settingsstore.h"
#include "previousinstance.h"

#include <QApplication>
#include <QSessionManager>
#include <QSlider>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the signal handler, read by the UI thread.
int signalPipe[2] = {-1, -1};

void onEndingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void setEndingSignalHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

class SessionEnd final : public QObject {
public:
    explicit SessionEnd(frmMain& window) : QObject(&window) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;  // the signals keep their default: the program ends unsaved, as before
        }
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [&window] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            // A device box does not hold the end up: it goes, and the close that waits for its
            // opening runs once that has stopped. A dialog open over the window has a loop of its
            // own: every loop ends, so no dialog outlives the window.
            zvengine::DeviceGate::end();
            if (window.close()) {
                QCoreApplication::exit(zvbox::kExitNormal);
            }
        });
        setEndingSignalHandler(onEndingSignal);
        connect(qApp, &QGuiApplication::commitDataRequest, this, [&window](QSessionManager&) {
            zvsettings::storeVolume(window.volumeSlider().value());
            modPreviousInstance::ForgetWindowHandle(window);
        });
    }
    ~SessionEnd() override {
        if (signalPipe[0] >= 0) {
            setEndingSignalHandler(SIG_DFL);
            ::close(signalPipe[0]);
            ::close(signalPipe[1]);
            signalPipe[0] = signalPipe[1] = -1;
        }
    }
};

}  // namespace

void closeAtSessionEnd(frmMain& window) {
    new SessionEnd(window);
}
