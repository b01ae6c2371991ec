#include "desktop.h"

#include <cstdio>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace sim {

#ifdef _WIN32

bool open_with_default_program(const std::filesystem::path& file) {
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", file.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success with a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool console_is_own() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

#else

bool open_with_default_program(const std::filesystem::path& file) {
    // xdg-open with the path as its one argument: nothing goes through a shell.
    std::string program = "xdg-open";
    std::string argument = file.string();
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool console_is_own() { return false; }

#endif

void wait_for_enter() {
    std::cout << "\nPress Enter to close this window." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

}  // namespace sim
