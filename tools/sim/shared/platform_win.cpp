#include "shared/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <io.h>
#include <string>

namespace sim {

namespace {

// UTF-8 and UTF-16 both ways; what does not convert becomes U+FFFD.
std::wstring wide_of(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string utf8_of_wide(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

bool is_console(DWORD std_handle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(std_handle), &mode) != 0;
}

}  // namespace

std::vector<std::string> program_arguments(int argc, const char* const* argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(utf8_of_wide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::filesystem::path path_from_utf8(const std::string& text) { return std::filesystem::path(wide_of(text)); }

std::string utf8_of(const std::filesystem::path& path) { return utf8_of_wide(path.native()); }

unsigned set_console_to_utf8() {
    if (!is_console(STD_OUTPUT_HANDLE) && !is_console(STD_ERROR_HANDLE)) return 0;
    const UINT previous = GetConsoleOutputCP();
    return previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) ? previous : 0;
}

void restore_console_code_page(unsigned code_page) {
    if (code_page != 0) SetConsoleOutputCP(code_page);
}

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
