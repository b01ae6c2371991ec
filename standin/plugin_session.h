#pragma once
// Loads the plugin into the stand-in host as a loader would on Linux (the
// plugin's code is linked in): process attach through DllMain on the way in,
// process detach on the way out.

#include "host.h"
#include "host/host_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

namespace standin {

// The module handle the stand-in loader gives the plugin.
inline HINSTANCE plugin_module() { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x180000000ULL)); }

class PluginSession {
public:
    // Resets the host to a new world and attaches the plugin.
    PluginSession() : host_(Host::get()) {
        host_.reset();
        DllMain(plugin_module(), DLL_PROCESS_ATTACH, nullptr);
    }
    ~PluginSession() { detach(); }
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    Host& host() { return host_; }
    World& world() { return host_.world(); }
    void run_frames(int count) { host_.run_frames(count); }
    void detach() {
        if (attached_) DllMain(plugin_module(), DLL_PROCESS_DETACH, nullptr);
        attached_ = false;
    }

private:
    Host& host_;
    bool attached_ = true;
};

}  // namespace standin
