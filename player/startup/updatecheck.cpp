#include "updatecheck.h"

#include "platform/messagebox.h"
#include "platform/shellopen.h"
#include "profilereader.h"
#include "profilevalues.h"
#include "version.h"

#include <QUrl>

namespace zvstartup {
namespace {

// Only web addresses are handed to the desktop; anything else counts as declined.
bool openUpdateAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return false;
    }
    zvshell::open(url);
    return true;
}

}  // namespace

int localVersionNumber() {
    return QStringLiteral("%1%2%3")
        .arg(ZENOVIA_VERSION_MAJOR)
        .arg(ZENOVIA_VERSION_MINOR)
        .arg(ZENOVIA_VERSION_PATCH)
        .toInt();
}

void runUpdateCheck(const QString& path) {
    auto value = [&](const char* key, const QString& fallback) {
        return modRegistryIni::ReadProfileValue(path, QStringLiteral("Update"),
                                                QString::fromLatin1(key), QStringLiteral("S"),
                                                fallback);
    };
    const QString version = value("verz", QStringLiteral("0"));
    const QString address = value("url", QString());
    const bool mandatory = profileBool(value("kotelez", QStringLiteral("0")), false);
    const QString description = value("leiras", QString());

    const int local = localVersionNumber();
    if (profileInteger(version, 0) <= local) {
        return;
    }
    const QString versions =
        QStringLiteral("(az Ön verziója: %1, a frissítés verziója: %2)").arg(local).arg(version);
    if (mandatory) {
        const QString text =
            QStringLiteral("A Zenovia program további használatához frissítésre van szükség.\r") +
            versions + QLatin1Char('\r') + description +
            QStringLiteral("\rKérem kattintson az OK-ra a frissítés letöltéséhez.");
        const zvbox::Answer answer =
            zvbox::messageBoxes().show(QStringLiteral("Frissítés szükséges"), text,
                                       zvbox::Icon::Warning, zvbox::Buttons::OkCancel);
        if (answer == zvbox::Answer::Ok) {
            openUpdateAddress(address);
        }
        zvbox::endProgram(zvbox::kExitNormal);
    }
    const QString text = QStringLiteral("A Zenovia programnak egy frissítése elérhető.\r") +
                         versions + QLatin1Char('\r') + description +
                         QStringLiteral("\rKívánja most letölteni?");
    const zvbox::Answer answer =
        zvbox::messageBoxes().show(QStringLiteral("Frissítés elérhető"), text,
                                   zvbox::Icon::Information, zvbox::Buttons::YesNo);
    if (answer == zvbox::Answer::Yes && openUpdateAddress(address)) {
        zvbox::endProgram(zvbox::kExitNormal);
    }
}

}  // namespace zvstartup
