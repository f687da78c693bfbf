// stationd: a loopback radio station and file server for tests and the demo.
// Usage: stationd --root DIR [--port N] [--fail-first N] [--refuse] [--log FILE]
// Prints the port it listens on as the first line of stdout; SIGTERM or SIGINT end it.

#include "stationserver.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

bool number(const QString& text, int low, int high, int* out) {
    bool ok = false;
    *out = text.toInt(&ok);
    return ok && *out >= low && *out <= high;
}

int usage(const char* problem) {
    std::fprintf(stderr,
                 "stationd: %s\nusage: stationd --root DIR [--port N] [--fail-first N] "
                 "[--refuse] [--log FILE]\n",
                 problem);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ServerOptions options;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        int value = 0;
        if (arg == "--refuse") {
            options.refuse = true;
        } else if (arg == "--root" && hasValue) {
            options.root = args[++i];
        } else if (arg == "--log" && hasValue) {
            options.log = args[++i];
        } else if (arg == "--port" && hasValue && number(args[++i], 0, 65535, &value)) {
            options.port = static_cast<quint16>(value);
        } else if (arg == "--fail-first" && hasValue && number(args[++i], 0, 1 << 30, &value)) {
            options.failFirst = value;
        } else {
            return usage(qPrintable("bad argument " + arg));
        }
    }
    if (options.root.isEmpty()) {
        return usage("--root is required");
    }

    // Signals only write a byte; the event loop notices it and quits, so every socket closes.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        std::perror("stationd: socketpair");
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    StationServer server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "stationd: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return app.exec();
}
