#include "skin.h"

#include "platform/errorchain.h"

#include <QFile>
#include <QWidget>

void Skin::OpenSkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw zverr::Failure(zverr::kFileNotFound, QString(),
                             QStringLiteral("skin file not found: ") + path);
    }
    styleSheet_ = QString::fromUtf8(file.readAll());
    file_ = path;
}

void Skin::SkinWindow(QWidget* window) const {
    window->setStyleSheet(styleSheet_);
}
