#pragma once
// What the tool needs from the operating system, one file per platform
// (platform_posix.cpp, platform_win.cpp): its command line and its paths in
// UTF-8, the console that shows them, the terminal test, the process id, the
// tool's own folder, and what it does on a desktop when a modder drops an INI
// on it: open the page it wrote in the default browser, and keep its console
// window open until a message has been read.
//
// The tool works in UTF-8 throughout, as on Linux. Windows names files and
// hands over the command line in UTF-16: a path made from text the user gave
// (an argument, a scenario's file name) goes through path_from_utf8, and a path
// that is printed, put in a message or on a page through utf8_of; never
// through std::filesystem::path's own conversions, which on Windows use the
// system's ANSI code page and lose every character it does not hold.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The program's arguments, argv[0] first, in UTF-8: on Windows read from the
// wide command line (argv is in the ANSI code page), elsewhere argv as it is.
std::vector<std::string> program_arguments(int argc, const char* const* argv);

// The path named by UTF-8 text, and a path's name as UTF-8 text. On POSIX both
// keep the bytes as they are; on Windows a byte sequence that is not UTF-8
// (or a name that is not UTF-16) gives U+FFFD in its place.
std::filesystem::path path_from_utf8(const std::string& text);
std::string utf8_of(const std::filesystem::path& path);

// While it lives, std::cout and std::cerr show the program's UTF-8 as text
// where they write to a console: on Windows such a stream hands the console
// UTF-16 (WriteConsoleW), which shows every character whatever the console's
// code page and the C runtime make of bytes. Output to a pipe or a file stays
// the same bytes as on Linux, and a POSIX terminal reads UTF-8 as it is.
class ConsoleText {
public:
    ConsoleText();
    ~ConsoleText();
    ConsoleText(const ConsoleText&) = delete;
    ConsoleText& operator=(const ConsoleText&) = delete;

private:
    struct Streams;
    std::unique_ptr<Streams> streams_;
};

// A file's bytes mapped into memory read-only for as long as it lives, so
// that a log of a million rows is neither copied nor zeroed first. Empty when
// the file is empty, is not a regular file or cannot be mapped.
class MappedFile {
public:
    explicit MappedFile(const std::filesystem::path& file);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::string_view bytes() const { return bytes_; }

private:
    struct Mapping;
    std::unique_ptr<Mapping> mapping_;
    std::string_view bytes_;
};

// Asks the system to back a large buffer (one about to be filled, such as a
// million rows of a log) with large pages: faulting in a hundred megabytes
// page by page takes a third of reading such a log. A hint only; nothing
// where the system has none.
void advise_large_buffer(const void* data, std::size_t bytes);

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
