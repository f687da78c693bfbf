// Start-up time of the receiver: runs the real start-up against a given program folder and
// exits the moment the main window is first shown, so that the wall time of the whole process
// is the time from process start to the window on screen. run.sh times it.
#include "platform/programpaths.h"
#include "startup/startup.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bench PROGRAM_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    zvpaths::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    const std::unique_ptr<frmMain> window = zvstartup::Main({});
    // The first turn of the event loop paints the shown window.
    QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
