#include "startup.h"

#include "audiolibrarycheck.h"
#include "commandline.h"
#include "engine/audioengine.h"
#include "engine/loudnessmemory.h"
#include "engine/networkproxy.h"
#include "engine/outputdevice.h"
#include "engine/streamrecorder.h"
#include "engine/titlehistory.h"
#include "platform/messagebox.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"
#include "startupvalues.h"
#include "stationfile.h"
#include "ui/frmmain.h"

#include <QDir>

#include <thread>

namespace zvstartup {
namespace {

void checkSkinFiles() {
    const QString folder = zvpaths::programFolder();
    bool allPresent = true;
    for (const char* skin : {"zv3.skn", "zv2.skn", "zv1.skn", "zv0.skn"}) {
        allPresent &= zvpaths::FileExists(folder + QLatin1Char('/') + QLatin1String(skin));
    }
    if (!allPresent) {
        zvbox::endWithError(
            QStringLiteral("A Zenovia nem talál némi rendszerfájlt.\rKérem telepítse újra a "
                           "programot."));
    }
}

void readStationList(zvengine::StationList& list) {
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
    zvengine::applyProxy(zvsettings::storedProxy());
    zvengine::audioEngine().applyStoredLevelling();
    StartupValues& values = startupValues();
    QDir::setCurrent(zvpaths::programFolder());
    checkSkinFiles();
    readStationList(values.list);
    values.startStation = startStationFrom(arguments.join(QLatin1Char(' ')));
    checkAudioLibrary(zvengine::audioEngine().libraryVersion());
    zvengine::titleHistory().open(zvengine::HistoryFile::inStateFolder());
    zvengine::loudnessMemory().open(zvengine::LoudnessMemory::inStateFolder());

    zvengine::DeviceChoice& device = zvengine::deviceChoice();
    device.deviceIndex = zvsettings::storedDevice();
    device.previousDevice = device.deviceIndex.load();

    // The library is bound to the window, so the window is created and loaded first.
    auto window = std::make_unique<frmMain>(values.list, values.startStation);
    window->Form_Load();
    zvengine::audioEngine().openOutput();
    loadAacAddOn();
    zvengine::audioEngine().loadOggAddOn();
    window->show();
    // A window manager may not hand the focus to a new window by itself.
    window->activateWindow();
    zvengine::createFileWriter();
    return window;
}

}  // namespace zvstartup
