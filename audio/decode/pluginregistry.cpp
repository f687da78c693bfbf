#include "pluginregistry.h"

#include <dlfcn.h>

#include <algorithm>

#include "mp3decoder.h"
#include "zvaudio.h"

namespace zva {
namespace {

// The folder of the shared object this code lives in, with a trailing "/".
std::string ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownFolder), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* openModule(const std::string& file) {
    if (void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        return module;
    }
    if (file.find('/') != std::string::npos) {
        return nullptr;
    }
    const std::string beside = ownFolder() + file;
    return dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

int PluginRegistry::load(const std::string& file, std::uint32_t handle) {
    if (file.empty()) {
        return ZVA_ERROR_FILEOPEN;
    }
    void* raw = openModule(file);
    if (raw == nullptr) {
        return ZVA_ERROR_FILEOPEN;
    }
    std::shared_ptr<void> module(raw, [](void* m) { dlclose(m); });
    const auto entry = reinterpret_cast<ZVA_PluginEntryFn>(dlsym(raw, ZVA_PLUGIN_ENTRY_NAME));
    if (entry == nullptr) {
        return ZVA_ERROR_FILEFORM;
    }
    const ZVA_PluginInfo* info = entry();
    if (info == nullptr || info->magic != ZVA_PLUGIN_MAGIC) {
        return ZVA_ERROR_FILEFORM;
    }
    if (info->version != ZVA_PLUGIN_VERSION) {
        return ZVA_ERROR_VERSION;
    }
    if (info->probe == nullptr || info->open == nullptr || info->feed == nullptr ||
        info->close == nullptr) {
        return ZVA_ERROR_FILEFORM;
    }
    std::lock_guard lock(mutex_);
    for (const auto& loaded : plugins_) {
        if (loaded.info == info) {
            return ZVA_ERROR_ALREADY;
        }
    }
    plugins_.push_back({info, std::move(module), handle});
    return ZVA_OK;
}

bool PluginRegistry::unload(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0) {
        plugins_.clear();
        return true;
    }
    return std::erase_if(plugins_, [&](const DecoderKind& k) { return k.plugin == handle; }) > 0;
}

std::vector<DecoderKind> PluginRegistry::decoders() const {
    std::vector<DecoderKind> all{{&mp3DecoderInfo(), nullptr, 0}};
    std::lock_guard lock(mutex_);
    all.insert(all.end(), plugins_.begin(), plugins_.end());
    return all;
}

}  // namespace zva
