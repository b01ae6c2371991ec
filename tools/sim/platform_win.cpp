#include "platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <io.h>
#include <sstream>
#include <system_error>

#include "scratch.h"

namespace sim {

namespace {

// One argument of a command line as CommandLineToArgvW and the C runtime
// split it again: quoted when it holds blanks or quotes, backslashes doubled
// where they precede a quote.
std::wstring quoted_argument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::string last_error_text() { return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message(); }

// Closes a Windows handle when it goes out of scope.
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

}  // namespace

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

std::filesystem::path find_on_path(const std::string& name) {
    const wchar_t* path = _wgetenv(L"PATH");
    if (path == nullptr) return {};
    std::wstringstream dirs(path);
    std::error_code error;
    for (std::wstring dir; std::getline(dirs, dir, L';');) {
        if (dir.empty()) continue;
        const std::filesystem::path candidate = std::filesystem::path(dir) / (name + ".exe");
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& log) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HandleCloser output{CreateFileW(log.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (output.handle == INVALID_HANDLE_VALUE) {
        throw ToolError("cannot write " + log.string() + ": " + last_error_text());
    }
    std::wstring command_line = quoted_argument(program.wstring());
    for (const std::string& argument : arguments) {
        command_line += L" " + quoted_argument(std::filesystem::path(argument).wstring());
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.handle;
    startup.hStdError = output.handle;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.wstring().c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        throw ToolError("cannot run " + program.string() + ": " + last_error_text());
    }
    const HandleCloser thread{process.hThread};
    const HandleCloser child{process.hProcess};
    DWORD status = 1;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &status)) {
        throw ToolError("lost the process of " + program.string());
    }
    return static_cast<int>(status);
}

}  // namespace sim
