#include "stationfile.h"

#include "net/downtext.h"
#include "platform/errorchain.h"
#include "platform/messagebox.h"
#include "platform/programpaths.h"
#include "profilereader.h"
#include "profilevalues.h"
#include "updatecheck.h"
#include "version.h"

#include <QFile>

namespace zvstartup {
namespace {

constexpr int kFetchTries = 5;
constexpr std::chrono::milliseconds kTryPause{2000};

}  // namespace

QString configurationAddress() {
    return QStringLiteral(ZENOVIA_CONFIG_SERVER "/config/zvadok.txt");
}

StationFile::StationFile(zvengine::StationList& list, QString configUrl, Pause pause)
    : list_(list), configUrl_(std::move(configUrl)), pause_(pause) {}

void StationFile::readStations(const QString& path) {
    auto value = [&](const char* section, const QString& key, const QString& fallback) {
        return modRegistryIni::ReadProfileValue(path, QString::fromLatin1(section), key,
                                                QStringLiteral("S"), fallback);
    };
    list_.defaultPictureUrl = value("Main", QStringLiteral("pictdef"), QString());
    const QString def = QStringLiteral("def");
    const QString disabled = QStringLiteral("0");
    for (int i = 0; i < zvengine::kStationCount; ++i) {
        zvengine::StationRecord& station = list_.stations[static_cast<size_t>(i)];
        const QString n = QString::number(i);
        // A value equal to its default leaves the entry as it is, so a second read only adds.
        const QString url = value("Adok", QStringLiteral("adoUrl") + n, QString());
        const QString picture = value("Adok", QStringLiteral("pictur") + n, def);
        const QString name = value("Adok", QStringLiteral("adoNam") + n, QString());
        const QString enabled = value("Adok", QStringLiteral("enable") + n, disabled);
        if (!url.isEmpty()) {
            station.streamUrl = url;
        }
        if (picture != def) {
            station.pictureUrl = picture;
        }
        if (!name.isEmpty()) {
            station.name = name;
        }
        if (enabled != disabled) {
            station.enabled = profileBool(enabled, false);
        }
    }
}

void StationFile::loadIni(const QString& path) {
    zverr::Procedure proc("modNetRadio", "loadIni");
    try {
        proc.step(1);
        readStations(path);
        proc.step(2);
        if (!zvpaths::FileExists(zvpaths::programFolder() + QStringLiteral("/zvrt.local"))) {
            runUpdateCheck(path);
        }
        proc.step(3);
        if (list_.stations[0].streamUrl.isEmpty() && list_.localConfig) {
            getRemIni();
        }
    } catch (...) {
        proc.passOn();
    }
}

void StationFile::getRemIni() {
    zverr::Procedure proc("modNetRadio", "getRemIni");
    try {
        proc.step(1);
        list_.localConfig = false;
        list_.configFile = zvpaths::tempFolder() + QStringLiteral("/zvad.tmp");
        // Only a failed download is worth another try: a TEMP folder that cannot take the file
        // (full, read-only) will not take it two seconds later either.
        modDownText::Copied copied;
        for (int tries = 1; (copied = modDownText::copyToFile(configUrl_, list_.configFile)) ==
                            modDownText::Copied::NotFetched;
             ++tries) {
            if (tries == kFetchTries) {
                zvbox::endWithError(
                    QStringLiteral("A Zenovia nem tud a kiszolgálóhoz csatlakozni.\rKérem "
                                   "ellenőrizze az internetkapcsolatát/tűzfalát. (ini D hiba)"));
            }
            pause_(kTryPause);
        }
        proc.step(2);
        if (copied == modDownText::Copied::NotWritten || !zvpaths::FileExists(list_.configFile)) {
            zvbox::endWithError(
                QStringLiteral("A Zenovia nem tud hozzáférni a helyi idéjglenes tárhoz.\rKérem "
                               "ellenőrizze a jogosultságokat. (ini W hiba)"));
        }
        proc.step(3);
        loadIni(list_.configFile);
        QFile::remove(list_.configFile);
    } catch (...) {
        proc.passOn();
    }
}

}  // namespace zvstartup
