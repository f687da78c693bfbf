// An add-on built for another version of the plug-in interface, which the loader must refuse.
#include "zvaudio_plugin.h"

namespace {

const ZVA_PluginInfo kInfo = {
    ZVA_PLUGIN_MAGIC, ZVA_PLUGIN_VERSION + 1, "future", 1, nullptr, nullptr, nullptr, nullptr};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZVA_PluginInfo* ZVA_PluginEntry() {
    return &kInfo;
}
