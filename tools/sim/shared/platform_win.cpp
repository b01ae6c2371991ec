#include "shared/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <io.h>
#include <string>

namespace sim {


bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

std::filesystem::path executable_directory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
}

unsigned long process_id() { return GetCurrentProcessId(); }

bool open_with_default_program(const std::filesystem::path& file) {
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", file.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool console_is_own() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

}  // namespace sim
