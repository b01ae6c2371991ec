// The seven host functions under the declarations the plugin imports. On
// Windows the stand-in ScriptHookRDR2.dll exports them under the
// MSVC-decorated names through ScriptHookRDR2-standin.def.

#include "host.h"
#include "host/host_api.h"

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

}  // extern "C"
