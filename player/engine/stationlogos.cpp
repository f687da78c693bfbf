#include "stationlogos.h"

#include "net/downtext.h"
#include "platform/programpaths.h"

#include <array>
#include <future>
#include <optional>

namespace zvengine {

void MainCont(StationList& list) {
    const QString temp = zvpaths::tempFolder();
    list.defaultLogoFile = temp + QStringLiteral("/zvlogodef.gif");
    auto download = [](const QString& url, const QString& path) {
        return std::async(std::launch::async, modDownText::DownloadFile, url, path);
    };

    std::future<bool> defaultLogo = download(list.defaultPictureUrl, list.defaultLogoFile);
    std::array<std::optional<std::future<bool>>, kStationCount> logos;
    for (size_t i = 0; i < logos.size(); ++i) {
        StationRecord& station = list.stations[i];
        if (station.pictureUrl != QLatin1String("def")) {
            station.logoFile = temp + QStringLiteral("/zvlogo%1.gif").arg(i);
            logos[i] = download(station.pictureUrl, station.logoFile);
        }
    }

    // The default logo's own outcome does not matter: whoever shows it checks the file.
    defaultLogo.wait();
    for (size_t i = 0; i < logos.size(); ++i) {
        if (!logos[i] || !logos[i]->get()) {
            list.stations[i].logoFile = list.defaultLogoFile;
        }
    }
}

}  // namespace zvengine
