#include "startup.h"

#include "commandline.h"
#include "engine/outputdevice.h"
#include "messagebox.h"
#include "net/downtext.h"
#include "programpaths.h"
#include "settingsstore.h"
#include "startupvalues.h"
#include "stationfile.h"
#include "ui/frmmain.h"

#include <QDir>

#include <future>
#include <thread>
#include <vector>

namespace zvstartup {
namespace {

void checkSkinFiles() {
    const QString folder = zvpaths::programFolder();
    bool allPresent = true;
    for (const char* skin : {"zv3.skn", "zv2.skn", "zv1.skn", "zv0.skn"}) {
        allPresent &= zvpaths::FileExists(folder + QLatin1Char('/') + QLatin1String(skin));
    }
    if (!allPresent) {
        zvbox::showError(
            QStringLiteral("A Zenovia nem talál némi rendszerfájlt.\rKérem telepítse újra a "
                           "programot."));
        zvbox::endProgram();
    }
}

void readStationList(StationList& list) {
    const QString local = zvpaths::programFolder() + QStringLiteral("/zvadok.ini");
    StationFile file(list, configurationAddress(),
                     [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); });
    if (zvpaths::FileExists(local)) {
        list.localConfig = true;
        list.configFile = local;
        file.loadIni(local);
    } else {
        file.getRemIni();
    }
}

}  // namespace

StartupValues& startupValues() {
    static StartupValues values;
    return values;
}

std::unique_ptr<frmMain> Main(const QStringList& arguments) {
    StartupValues& values = startupValues();
    QDir::setCurrent(zvpaths::programFolder());
    checkSkinFiles();
    readStationList(values.list);
    values.startStation = startStationFrom(arguments.join(QLatin1Char(' ')));

    zvengine::DeviceChoice& device = zvengine::deviceChoice();
    device.deviceIndex = zvsettings::storedDevice();
    device.previousDevice = device.deviceIndex.load();

    auto window = std::make_unique<frmMain>(values.list);
    window->Form_Load();
    window->show();
    return window;
}

void MainCont(StationList& list) {
    const QString temp = zvpaths::tempFolder();
    list.defaultLogoFile = temp + QStringLiteral("/zvlogodef.gif");

    std::vector<std::future<bool>> downloads;
    downloads.reserve(kStationCount + 1);
    auto fetch = [&](const QString& url, const QString& path) {
        downloads.push_back(std::async(std::launch::async, modDownText::DownloadFile, url, path));
    };
    fetch(list.defaultPictureUrl, list.defaultLogoFile);
    for (int i = 0; i < kStationCount; ++i) {
        StationRecord& station = list.stations[static_cast<size_t>(i)];
        if (station.pictureUrl == QLatin1String("def")) {
            continue;
        }
        station.logoFile = temp + QStringLiteral("/zvlogo%1.gif").arg(i);
        fetch(station.pictureUrl, station.logoFile);
    }

    downloads.front().wait();
    size_t next = 1;
    for (StationRecord& station : list.stations) {
        if (station.pictureUrl == QLatin1String("def")) {
            station.logoFile = list.defaultLogoFile;
        } else if (!downloads[next++].get()) {
            station.logoFile = list.defaultLogoFile;
        }
    }
}

}  // namespace zvstartup
