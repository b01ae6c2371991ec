#pragma once
// What the tool needs from the operating system, one file per platform
// (platform_posix.cpp, platform_win.cpp): the terminal test, the process id,
// the tool's own folder, and what it does on a desktop when a modder drops an
// INI on it: open the page it wrote in the default browser, and keep its
// console window open until a message has been read.

#include <filesystem>

namespace sim {

// Whether standard error is a terminal (the progress bar is drawn only there).
bool stderr_is_terminal();

// The folder that holds the running executable; empty when it cannot be told.
std::filesystem::path executable_directory();

// The running process's id (in the names of scratch folders).
unsigned long process_id();

// Opens the file with the desktop's default program (the default browser for
// a page). False when that could not be started.
bool open_with_default_program(const std::filesystem::path& file);

// True when the program's console is its own: started from Explorer (for
// example by dropping a file on it), not from a command prompt, so that its
// window closes as soon as it ends.
bool console_is_own();

}  // namespace sim
