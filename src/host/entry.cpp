// The library entry: registers the script on process attach, releases the
// two stored effect names and unregisters it on process detach, and then
// writes what the play log still holds.

#include "config/settings.h"
#include "host/frame_loop.h"
#include "host/host_api.h"
#include "model/shot_log.h"

#if !defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            scriptRegister(module, script_main);
            break;
        case DLL_PROCESS_DETACH:
            release_effect_names();
            scriptUnregister(module);
            close_shot_log();
            break;
        default:
            break;
    }
    return TRUE;
}
