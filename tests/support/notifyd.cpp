// The test's notification service on the session bus, for the end-to-end tests: prints
// "serving" once it holds the name, then every notice as a line, its picture's size last.
#include "notificationservice.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zvtest::NotificationService service;
    service.capabilities = QStringList{"body", "body-markup"};
    if (!service.serve(QDBusConnection::sessionBus())) {
        return 1;
    }
    QObject::connect(&service, &zvtest::NotificationService::noticed, [&service] {
        const QImage& picture = service.pictures.back();
        std::printf("%s|%dx%d\n", qPrintable(service.notices.back()), picture.width(),
                    picture.height());
        std::fflush(stdout);
    });
    std::puts("serving");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
