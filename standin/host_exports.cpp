// The seven host functions under the declarations the plugin imports. On
// Windows the stand-in ScriptHookRDR2.dll exports them under the
// MSVC-decorated names through ScriptHookRDR2-standin.def.

#include "host.h"
#include "host/host_api.h"
#include "host/user32_api.h"
#include "user32_answers.h"

extern "C" {

void scriptRegister(HMODULE module, void (*script_main)()) {
    standin::Host::get().script_register(module, script_main);
}
void scriptUnregister(HMODULE module) { standin::Host::get().script_unregister(module); }
void scriptWait(DWORD ms) { standin::Host::get().script_wait(ms); }
void nativeInit(UINT64 hash) { standin::Host::get().native_init(hash); }
void nativePush64(UINT64 value) { standin::Host::get().native_push(value); }
UINT64* nativeCall() { return reinterpret_cast<UINT64*>(standin::Host::get().native_call()); }
int worldGetAllPeds(int* peds, int size) { return standin::Host::get().world_get_all_peds(peds, size); }

#if defined(_WIN32)
// The keyboard functions the plugin imports from user32, for a loader that
// puts these in their place (the runner patches the plugin's import table;
// barrelburst-sim.exe links them in under the import names).
#define BB_USER32(name) WINAPI standin_##name
#else
// The same functions under their own names: the plugin is linked in.
#define BB_USER32(name) name
DWORD GetCurrentProcessId() { return standin::stand_in_process_id; }
#endif

SHORT BB_USER32(GetAsyncKeyState)(int virtual_key) {
    return standin::answer_key_state(standin::Host::get().world(), virtual_key);
}
HWND BB_USER32(GetForegroundWindow)() {
    return reinterpret_cast<HWND>(standin::answer_foreground_window(standin::Host::get().world()));
}
DWORD BB_USER32(GetWindowThreadProcessId)(HWND window, DWORD* process_id) {
    if (process_id != nullptr) {
        *process_id = standin::answer_window_process(reinterpret_cast<std::uintptr_t>(window), GetCurrentProcessId());
    }
    return 1;
}

}  // extern "C"
