#pragma once
// What the tool does on a desktop when a modder drops an INI on it: open the
// page it wrote in the default browser, and keep its console window open
// until a message has been read.

#include <filesystem>

namespace sim {

// Opens the file with the desktop's default program (the default browser for
// a page). False when that could not be started.
bool open_with_default_program(const std::filesystem::path& file);

// True when the program's console is its own: started from Explorer (for
// example by dropping a file on it), not from a command prompt, so that its
// window closes as soon as it ends.
bool console_is_own();

// Waits until Enter is pressed (or standard input ends).
void wait_for_enter();

}  // namespace sim
