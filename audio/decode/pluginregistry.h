#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "zvaudio_plugin.h"

namespace zva {

// A decoder the library can use: the built-in MP3 decoder or one from an add-on. `module`
// keeps the add-on's shared object loaded while anything still uses the decoder.
struct DecoderKind {
    const ZVA_PluginInfo* info = nullptr;
    std::shared_ptr<void> module;  // null for the built-in decoder
    std::uint32_t plugin = 0;      // the add-on's handle, 0 = built in
};

// The loaded add-ons. Loading checks the entry point's magic and version before registering;
// unloading only forgets an add-on, its code stays mapped until the last stream using it ends.
//
// Thread contract: every member may be called from any thread.
class PluginRegistry {
public:
    // Registers the add-on under `handle`: 0 on success, else a ZVA_ERROR_* code.
    int load(const std::string& file, std::uint32_t handle);
    // handle 0 forgets every add-on. False when the handle is unknown.
    bool unload(std::uint32_t handle);
    // The built-in decoder first, then the add-ons in the order they were loaded.
    std::vector<DecoderKind> decoders() const;

private:
    mutable std::mutex mutex_;
    std::vector<DecoderKind> plugins_;  // guarded by mutex_
};

}  // namespace zva
