// Station files come from a server: any bytes must decode and parse without a fault, and a
// value found is never longer than the reader's cut.
#include "net/codepage.h"
#include "startup/profilereader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = zvnet::decodeText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const char* key : {"adoUrl0", "pictdef", "verz", ""}) {
        const auto value = modRegistryIni::findProfileValue(text, QStringLiteral("Adok"),
                                                            QString::fromLatin1(key));
        if (value && value->size() > modRegistryIni::kMaxValueLength) {
            std::abort();
        }
    }
    return 0;
}
