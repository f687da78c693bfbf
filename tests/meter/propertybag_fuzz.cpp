// libFuzzer target for PropertyBag's text form: any input either is refused or reads into a bag
// whose own text reads back into the same bag.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "propertybag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto bag = PropertyBag::fromText(text);
    if (bag) {
        const auto again = PropertyBag::fromText(bag->toText());
        if (!again || !(*again == *bag)) {
            std::abort();
        }
    }
    return 0;
}
