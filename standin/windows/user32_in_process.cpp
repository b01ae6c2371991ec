// barrelburst-sim.exe links the plugin into its own process: the plugin's
// calls to user32's keyboard functions go through their import slots, which
// this file fills with the stand-in host's answers from the world, so that
// the linker takes no user32 import for them.

#include <cstdint>

extern "C" {
short standin_GetAsyncKeyState(int virtual_key);
void* standin_GetForegroundWindow();
unsigned long standin_GetWindowThreadProcessId(void* window, unsigned long* process_id);

// The import slots, under the names the import library would give them.
short (*__imp_GetAsyncKeyState)(int) = standin_GetAsyncKeyState;
void* (*__imp_GetForegroundWindow)() = standin_GetForegroundWindow;
unsigned long (*__imp_GetWindowThreadProcessId)(void*, unsigned long*) = standin_GetWindowThreadProcessId;
}
