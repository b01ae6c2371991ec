#pragma once
// The Windows functions the keyboard reading calls. On Windows they come from
// user32 and KERNEL32; on Linux and in the browser the same declarations are
// satisfied by the stand-in host, which answers from its simulated world.

#include "host/host_api.h"

#if !defined(_WIN32)
using SHORT = short;
struct HWND__;
using HWND = HWND__*;

extern "C" {
SHORT GetAsyncKeyState(int virtual_key);
HWND GetForegroundWindow();
DWORD GetWindowThreadProcessId(HWND window, DWORD* process_id);
DWORD GetCurrentProcessId();
}
#endif
