#include "audioengine.h"

#include "audiovalues.h"
#include "errorbox.h"
#include "outputdevice.h"
#include "platform/settingsstore.h"
#include "streamworker.h"
#include "streamworkers.h"

#include <zvaudio.h>

namespace zvengine {
namespace {

std::uint32_t activity() {
    return ZVA_ChannelIsActive(playerState().streamHandle());
}

}  // namespace

AudioEngine& audioEngine() {
    static AudioEngine engine;
    return engine;
}

AudioEngine::AudioEngine() {
    playerState().onChange([this] { emit changed(); });
}

std::uint32_t AudioEngine::libraryVersion() const {
    return ZVA_GetVersion();
}

void AudioEngine::applyStoredLevelling() {
    ZVA_SetConfig(ZVA_CONFIG_LEVEL, zvsettings::storedLevelling() ? 1 : 0);
}

void AudioEngine::switchLevelling(bool on) {
    zvsettings::storeLevelling(on);
    ZVA_SetConfig(ZVA_CONFIG_LEVEL, on ? 1 : 0);
}

void AudioEngine::openOutput() {
    InitDev();
}

bool AudioEngine::loadAacAddOn() {
    if (ZVA_PluginLoad("libzvaudio_aac.so", 0) != 0) {
        return true;
    }
    // The box names the library's error code, so it comes before the library is freed.
    zverr::Error_(QStringLiteral("Az AAC modul nem érhető el  "));
    ZVA_Free();
    return false;
}

void AudioEngine::loadOggAddOn() {
    ZVA_PluginLoad("libzvaudio_ogg.so", 0);
}

void AudioEngine::shutdown() {
    PlayerState& state = playerState();
    // A worker still connecting is overtaken: it touches nothing once the library is gone.
    state.beginGeneration();
    rememberLoudness();
    ZVA_Stop();
    ZVA_Free();
    // Freeing the library has ended every stream being created; asked to stop, a worker in its
    // probe or its buffering ends within a second, so the program never ends under one.
    streamWorkers().joinAll();
    if (state.workerThread != 0) {
        closeThr();
    }
    ZVA_PluginFree(0);
}

void AudioEngine::attach(ReceiverView* view, const StationList* stations) {
    playerState().attach(view, stations);
}

void AudioEngine::detach(const ReceiverView* view) {
    playerState().detach(view);
}

bool AudioEngine::isCurrent(std::uint64_t generation) const {
    return playerState().current(generation);
}

bool AudioEngine::start(int index) {
    playerState().currentStation = index;
    stopStream();
    return startWorker(index);
}

void AudioEngine::stop() {
    stopStream();
}

OnAir AudioEngine::onAir() const {
    return playerState().onAir();
}

int AudioEngine::station() const {
    return playerState().currentStation;
}

bool AudioEngine::offered(int index) const {
    return playerState().offered(index);
}

QString AudioEngine::stationName(int index) const {
    return offered(index) ? playerState().stationName(index) : QString();
}

QString AudioEngine::title() const {
    return playerState().title();
}

bool AudioEngine::playing() const {
    return activity() == ZVA_ACTIVE_PLAYING;
}

MeterLevels AudioEngine::levels() const {
    const std::uint32_t stream = playerState().streamHandle();
    if (ZVA_ChannelIsActive(stream) != ZVA_ACTIVE_PLAYING) {
        return {};
    }
    const std::uint32_t level = ZVA_ChannelGetLevel(stream);
    return {meterLevel(LowWord(level)), meterLevel(HighWord(level))};
}

bool AudioEngine::sounding() const {
    const std::uint32_t now = activity();
    return now == ZVA_ACTIVE_PLAYING || now == ZVA_ACTIVE_STALLED ||
           playerState().workerThread != 0;
}

bool AudioEngine::troubled() const {
    return playerState().notAvailable() || activity() == ZVA_ACTIVE_STALLED;
}

bool AudioEngine::connectionDropped() const {
    // A stream the library does not know (none yet, or one stopped) is no dropped connection.
    return ZVA_StreamGetFilePosition(playerState().streamHandle(), ZVA_FILEPOS_CONNECTED) == 0;
}

void AudioEngine::setVolume(int position) {
    PlayerState& state = playerState();
    // The stream worker applies the volume from its own thread: it reads this copy.
    const bool moved = state.sliderValue.exchange(position) != position;
    ZVA_ChannelSetAttributes(state.streamHandle(), -1, position * 2, -101);
    if (moved) {
        emit changed();
    }
}

int AudioEngine::volume() const {
    return playerState().sliderValue;
}

QStringList AudioEngine::devices() const {
    QStringList descriptions;
    for (int device = 1;; ++device) {
        const char* description = ZVA_GetDeviceDescription(device);
        if (description == nullptr) {
            return descriptions;
        }
        descriptions.append(AnsiPtrToString(description));
    }
}

int AudioEngine::device() const {
    return deviceChoice().deviceIndex;
}

bool AudioEngine::chooseDevice(int device) {
    DeviceChoice& choice = deviceChoice();
    choice.deviceIndex = device;
    if (choice.deviceIndex == choice.previousDevice) {
        return false;
    }
    // A new generation first: a worker still connecting is overtaken and touches nothing of the
    // library that is torn down and opened again on the new device here.
    stopStream(OutputReopen::Always);
    PlayerState& state = playerState();
    using Label = ReceiverView::Label;
    state.showLabel(state.generation(), Label::Name, QString());
    state.showLabel(state.generation(), Label::Bps, QString());
    state.showLabel(state.generation(), Label::Title, kChooseStationPrompt);
    choice.previousDevice = choice.deviceIndex.load();
    zvsettings::write(zvsettings::kSettingsSection, zvsettings::kDeviceKey,
                      QString::number(choice.deviceIndex));
    return true;
}

void AudioEngine::setLogoFile(const QString& file) {
    if (file != logoFile_) {
        logoFile_ = file;
        emit changed();
    }
}

}  // namespace zvengine
