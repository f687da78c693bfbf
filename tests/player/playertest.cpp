#include "playertest.h"

#include "engine/audioengine.h"
#include "engine/loudnessmemory.h"
#include "engine/outputdevice.h"
#include "engine/playerstate.h"
#include "engine/recordingstate.h"
#include "engine/streamworkers.h"
#include "platform/programpaths.h"
#include "platform/settingsstore.h"
#include "platform/shellopen.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <zvaudio.h>

#include <tuple>
#include <utility>

namespace zvtest {
namespace {

// What the engine and the audio library hold across tests, as it is now (the library's settings,
// the levelling among them, outlive ZVA_Free): the returned function puts it back.
std::function<void()> engineNow() {
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> config;
    for (const std::uint32_t option :
         {ZVA_CONFIG_NET_TIMEOUT, ZVA_CONFIG_NET_BUFFER, ZVA_CONFIG_NET_PREBUF,
          ZVA_CONFIG_NET_AGENT, ZVA_CONFIG_NET_PLAYLIST, ZVA_CONFIG_NET_READTIMEOUT,
          ZVA_CONFIG_NET_OPENTIMEOUT, ZVA_CONFIG_NET_PLAYLIST_ENTRIES, ZVA_CONFIG_NET_RECONNECT,
          ZVA_CONFIG_NET_PROXY, ZVA_CONFIG_LEVEL}) {
        config.emplace_back(option, ZVA_GetConfig(option));
    }
    zvengine::DeviceChoice& choice = zvengine::deviceChoice();
    zvengine::PlayerState& state = zvengine::playerState();
    zvengine::RecordingState& recording = zvengine::recordingState();
    const std::lock_guard lock(recording.mutex);
    return [=, &choice, &state, &recording, device = choice.deviceIndex.load(),
            previous = choice.previousDevice.load(), unused = choice.unused.load(),
            station = state.currentStation.load(), slider = state.sliderValue.load(),
            handle = state.streamHandle(),
            titles = std::pair(recording.titleText, recording.lastTitle),
            logo = zvengine::audioEngine().logoFile()] {
        for (const auto& [option, value] : config) {
            ZVA_SetConfig(option, value);
        }
        choice.deviceIndex = device;
        choice.previousDevice = previous;
        choice.unused = unused;
        state.currentStation = station;
        state.sliderValue = slider;
        state.setStreamHandle(state.beginGeneration(), handle);
        const std::lock_guard lock(recording.mutex);
        std::tie(recording.titleText, recording.lastTitle) = titles;
        zvengine::audioEngine().setLogoFile(logo);
    };
}

}  // namespace

std::vector<QUrl> PlayerTest::opened;

void PrintTo(const ShownBox& box, std::ostream* out) {
    *out << '{' << box.title.toStdString() << ", " << box.text.toStdString() << ", "
         << static_cast<int>(box.icon) << ", " << static_cast<int>(box.buttons) << '}';
}

zvbox::Answer ScriptedBoxes::show(const QString& title, const QString& text, zvbox::Icon icon,
                                  zvbox::Buttons buttons) {
    shown.push_back({title, text, icon, buttons});
    if (whileOpen) {
        std::exchange(whileOpen, nullptr)();
    }
    if (answers.empty()) {
        return zvbox::Answer::Ok;
    }
    const zvbox::Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

void PlayerTest::SetUp() {
    ASSERT_TRUE(programDir.isValid());
    ASSERT_TRUE(tempDir.isValid());
    zvpaths::setProgramFolder(programDir.path());
    qputenv("TEMP", tempDir.path().toUtf8());
    // Copies of the receiver meet in the runtime folder: each test has its own.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    }
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8());
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zenovia"),
              QStringLiteral("Zenovia"))
        .clear();
    zvbox::setMessageBoxes(&boxes);
    zvbox::setEndHandler([](int status) { throw ProgramEnded{status}; });
    opened.clear();
    zvshell::setOpener([](const QUrl& url) { opened.push_back(url); });
    restoreEngine = engineNow();
}

void PlayerTest::TearDown() {
    // A test leaves no worker running, recording off, the audio output and its add-on closed and
    // the engine as it found it for the next one.
    EXPECT_TRUE(workerDone());
    zvengine::streamWorkers().joinAll();
    zvengine::setRecordingEnabled(false);
    ZVA_PluginFree(0);
    ZVA_Free();
    restoreEngine();
    // What a test's stations measured is no loudness heard before for the next one.
    zvengine::loudnessMemory().open(QString());
    zvbox::setMessageBoxes(nullptr);
    zvbox::setEndHandler(nullptr);
    zvshell::setOpener(nullptr);
    zvpaths::setProgramFolder(QString());
    if (runtimeBefore) {
        qputenv("XDG_RUNTIME_DIR", *runtimeBefore);
    } else {
        qunsetenv("XDG_RUNTIME_DIR");
    }
}

QString PlayerTest::programPath(const QString& name) const {
    return programDir.path() + QLatin1Char('/') + name;
}

QString PlayerTest::tempPath(const QString& name) {
    return zvpaths::tempFolder() + QLatin1Char('/') + name;
}

void PlayerTest::writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray PlayerTest::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<int> PlayerTest::endOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const ProgramEnded& end) {
        return end.status;
    }
    return std::nullopt;
}

void PlayerTest::installSkins() const {
    for (const char* skin : {"zv0.skn", "zv1.skn", "zv2.skn", "zv3.skn"}) {
        QFile::copy(QStringLiteral(ZV_BIN_DIR "/") + QLatin1String(skin),
                    programPath(QLatin1String(skin)));
    }
}

void PlayerTest::installAudioLibrary() const {
    for (const char* library : {"libzvaudio.so", "libzvaudio_aac.so"}) {
        QFile::copy(QStringLiteral(ZV_BIN_DIR "/") + QLatin1String(library),
                    programPath(QLatin1String(library)));
    }
}

void PlayerTest::installReceiver(const QByteArray& stationFile) const {
    installSkins();
    installAudioLibrary();
    QFile::copy(QStringLiteral(ZV_BIN_DIR "/zenovia"), programPath("zenovia"));
    writeFile(programPath("zvadok.ini"), stationFile);
}

bool PlayerTest::startReceiver(QProcess& copy, const QStringList& arguments) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", homeDir.path());
    environment.insert("SDL_AUDIODRIVER", "dummy");
#if defined(__SANITIZE_ADDRESS__)
    // Full stacks, so that the leak check can tell Qt's D-Bus thread from the receiver's code.
    environment.insert("ASAN_OPTIONS", "fast_unwind_on_malloc=0");
    environment.insert("LSAN_OPTIONS", "suppressions=" ZV_RECEIVER_LSAN_SUPPRESSIONS);
#endif
    copy.setProcessEnvironment(environment);
    copy.start(programPath("zenovia"), arguments);
    return copy.waitForStarted();
}

::testing::AssertionResult PlayerTest::windowUp(QProcess& receiver) {
    // A receiver built with the sanitizers may need long to start on a machine busy with
    // other tests.
    if (QTest::qWaitFor(
            [] {
                return !zvsettings::read(zvsettings::kWindowSection, zvsettings::kWindowHandleKey)
                            .isEmpty();
            },
            90000)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "no window after 90 s; the receiver "
           << (receiver.state() == QProcess::Running ? "still runs" : "has ended")
           << "; its error output: " << receiver.readAllStandardError().toStdString();
}

std::unique_ptr<frmMain> PlayerTest::loadedWindow(zvengine::StationList& list, int station) {
    auto window = std::make_unique<frmMain>(list, station);
    window->Form_Load();
    return window;
}

bool PlayerTest::showActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

bool PlayerTest::openAudio() {
    return ZVA_Init(0, 44100, 0, nullptr, nullptr) == 1;
}

bool PlayerTest::playing() {
    return ZVA_ChannelIsActive(zvengine::playerState().streamHandle()) == ZVA_ACTIVE_PLAYING;
}

bool PlayerTest::workerDone() {
    return QTest::qWaitFor([] { return zvengine::playerState().workerThread == 0; }, 10000);
}

}  // namespace zvtest
