#include "host/keyboard.h"

#include "host/user32_api.h"

bool game_window_in_front() {
    HWND window = GetForegroundWindow();
    if (window == nullptr) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

bool key_is_down(int virtual_key) {
    return (static_cast<unsigned short>(GetAsyncKeyState(virtual_key)) & 0x8000u) != 0;
}
