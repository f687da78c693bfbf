#include "audiolibrarycheck.h"

#include "engine/audioengine.h"
#include "engine/audiovalues.h"
#include "platform/messagebox.h"
#include "platform/programpaths.h"

namespace zvstartup {

void checkAudioLibrary(std::uint32_t version) {
    constexpr std::uint32_t kVersion23 = 0x0203;
    const QString folder = zvpaths::RPP(zvpaths::programFolder());
    const bool filesPresent = zvpaths::FileExists(folder + QStringLiteral("libzvaudio_aac.so")) &&
                              zvpaths::FileExists(folder + QStringLiteral("libzvaudio.so"));
    if (zvengine::HighWord(version) != kVersion23 || !filesPresent) {
        zvbox::endWithError(
            QStringLiteral("Program modulok hibásak, a rádió újratelepítése szükségeltetik"));
    }
}

void loadAacAddOn() {
    if (!zvengine::audioEngine().loadAacAddOn()) {
        zvbox::endProgram(zvbox::kExitFailed);
    }
}

}  // namespace zvstartup
