#pragma once
// What the tool needs from the operating system, one file per platform
// (platform_posix.cpp, platform_win.cpp): the terminal test, the process id,
// the tool's own folder, programs on PATH and running one.

#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// Whether standard error is a terminal (the progress bar is drawn only there).
bool stderr_is_terminal();

// The folder that holds the running executable; empty when it cannot be told.
std::filesystem::path executable_directory();

// The running process's id (in the names of scratch folders).
unsigned long process_id();

// The program NAME in a folder of PATH ("NAME.exe" on Windows); empty if none.
std::filesystem::path find_on_path(const std::string& name);

// Runs program with the arguments, its standard output and error written to
// log, and waits for it. Returns its exit status; throws ToolError when it
// cannot be started.
int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& log);

}  // namespace sim
