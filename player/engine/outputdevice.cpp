#include "outputdevice.h"

#include "devicegate.h"

#include "platform/errorchain.h"
#include "platform/messagebox.h"
#include "platform/settingsstore.h"
#include "version.h"

#include <zvaudio.h>

#include <array>

namespace zvengine {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kOptionPrebuffer = 15;
constexpr std::uint32_t kOptionAgent = 16;
constexpr std::uint32_t kOptionPlaylists = 21;

// An output that is open already (a request that slipped past the gate, another caller) is an
// output that works: trying the next device on it would only fail again.
bool open(int device) {
    return ZVA_Init(device, kRate, 0, nullptr, nullptr) != 0 ||
           ZVA_ErrorGetCode() == ZVA_ERROR_ALREADY;
}

// Shows a box of the device fallback; false when the program is ending meanwhile, so that the
// fallback stops there: no further device, box or stored choice.
bool tellAndGoOn(const QString& text) {
    zvbox::showError(text);
    return !DeviceGate::ending();
}

// The agent text lives as long as the program: the library may keep the address.
std::array<char, 64> agentBuffer{};

}  // namespace

DeviceChoice& deviceChoice() {
    static DeviceChoice choice;
    return choice;
}

QString agentText() {
    return QStringLiteral("Zenovia v%1.%2.%3")
        .arg(ZENOVIA_VERSION_MAJOR)
        .arg(ZENOVIA_VERSION_MINOR)
        .arg(ZENOVIA_VERSION_PATCH);
}

void InitDev() {
    zverr::Procedure proc("modNetRadio", "InitDev");
    // The window's requests wait while the boxes below may be open.
    const DeviceGate::Opening opening;
    try {
        DeviceChoice& choice = deviceChoice();
        proc.step(1);
        if (!open(choice.deviceIndex)) {
            proc.step(2);
            if (!tellAndGoOn(
                    QStringLiteral("A kiválasztott hangeszközt nem lehet felhasználni digitális "
                                   "hanglejátszásra.\r\nA korábban beállítottat próbálom."))) {
                return;
            }
            choice.deviceIndex = choice.previousDevice.load();
            if (!open(choice.deviceIndex)) {
                proc.step(3);
                if (!tellAndGoOn(QStringLiteral(
                        "A korábban beállított hangeszközt nem lehet felhasználni.\r\n"
                        "Az alapértelmezettet használom."))) {
                    return;
                }
                choice.deviceIndex = -1;
                if (!open(-1)) {
                    if (!tellAndGoOn(QStringLiteral(
                            "Az első hangeszköz sem érhető el.\r\nValami nagy gond lehet a "
                            "rendszerével, nézze meg a hangkártyáit.\r\nKilépek..."))) {
                        return;
                    }
                    zvbox::endProgram(zvbox::kExitFailed);
                }
            }
            proc.step(4);
            zvsettings::write(zvsettings::kSettingsSection, zvsettings::kDeviceKey,
                              QString::number(choice.deviceIndex));
        }
        proc.step(5);
        ZVA_SetConfig(kOptionPrebuffer, 0);
        proc.step(6);
        const QByteArray agent = agentText().toUtf8().left(agentBuffer.size() - 1);
        agentBuffer.fill(0);
        std::copy(agent.begin(), agent.end(), agentBuffer.begin());
        ZVA_SetConfig(kOptionAgent, reinterpret_cast<uintptr_t>(agentBuffer.data()));
        proc.step(7);
        ZVA_SetConfig(kOptionPlaylists, 1);
        choice.unused = true;
    } catch (...) {
        proc.passOn();
    }
}

}  // namespace zvengine
