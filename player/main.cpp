// The receiver's entry: everything happens in start-up and in the main window's events.
#include "platform/errorchain.h"
#include "platform/messagebox.h"
#include "startup/startup.h"
#include "ui/frmmain.h"
#include "version.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zenovia"));
    QApplication::setApplicationVersion(QStringLiteral(ZENOVIA_VERSION));
    std::unique_ptr<frmMain> window;
    try {
        window = zvstartup::Main(QApplication::arguments().mid(1));
    } catch (const zverr::Failure& failure) {
        // Nothing in start-up handles a failure of its own: it ends the program with its story.
        zvbox::showError(QStringLiteral("%1\r\r%2 (%3)")
                             .arg(failure.description(), failure.source())
                             .arg(failure.number()));
        zvbox::endProgram();
    }
    return QApplication::exec();
}
