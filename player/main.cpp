// The receiver's entry: everything happens in start-up and in the main window's events, which the
// end of the session, the desktop's media controls and its notices reach once the window is there.
#include "desktop/mediacontrols.h"
#include "desktop/titlenotice.h"
#include "platform/qthungarian.h"
#include "platform/xrepaints.h"
#include "startup/startfailure.h"
#include "startup/startup.h"
#include "ui/frmmain.h"
#include "ui/sessionend.h"
#include "version.h"

#include <QApplication>

int main(int argc, char** argv) {
    const zvdisplay::RepaintsInsideXRequests repaints;
    QApplication app(argc, argv);
    repaints.keepFromChildren();
    QApplication::setApplicationName(QStringLiteral("Zenovia"));
    QApplication::setApplicationVersion(QStringLiteral(ZENOVIA_VERSION));
    zvlocale::loadQtHungarian();
    std::unique_ptr<frmMain> window;
    try {
        window = zvstartup::Main(QApplication::arguments().mid(1));
    } catch (...) {
        // Nothing in start-up handles a failure of its own: it ends the program with its story.
        zvstartup::endAfterFailure(std::current_exception());
    }
    closeAtSessionEnd(*window);
    zvdesktop::offerMediaControls(*window);
    zvdesktop::offerTitleNotices(*window);
    return QApplication::exec();
}
