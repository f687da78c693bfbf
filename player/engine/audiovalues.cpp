#include "audiovalues.h"

#include "net/codepage.h"

#include <cmath>
#include <exception>

namespace zvengine {

std::uint16_t LowWord(std::uint32_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

std::uint16_t HighWord(std::uint32_t value) {
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFFu);
}

int meterLevel(std::uint16_t word) {
    constexpr std::uint16_t kFullScale = 32768;
    if (word > kFullScale) {
        return 0;
    }
    return static_cast<int>(std::nearbyint(word * 0.0030517578125));
}

QString AnsiPtrToString(const char* text) {
    if (text == nullptr) {
        return QString();
    }
    try {
        return zvnet::decodeText(QByteArray(text));
    } catch (const std::exception&) {
        return QString();
    }
}

ZVA_HSYNC SetSync(ZVA_HSTREAM handle, std::uint32_t type, std::uint32_t param, ZVA_SyncProc proc,
                  void* user) {
    return ZVA_ChannelSetSync(handle, type, static_cast<std::uint64_t>(param), proc, user);
}

}  // namespace zvengine
