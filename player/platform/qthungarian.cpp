#include "qthungarian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zvlocale {

bool loadQtHungarian() {
    static QTranslator translator;
    static const bool loaded =
        translator.load(QStringLiteral("qtbase_hu"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(&translator);
    return loaded;
}

}  // namespace zvlocale
