#pragma once
// The plugin opens Barrelburst.ini by relative name in the working directory.
// A scratch directory holds a copy of the file to read (or none) and is the
// working directory while it lives.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace sim {

// A tool error: what went wrong, naming the file (and line) it is about.
struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A new, empty folder "PREFIX-<process id>-<random>" in the system's temporary
// folder. Throws ToolError (naming what it was for) when it cannot be made.
std::filesystem::path make_temporary_directory(const std::string& prefix, const std::string& purpose);

class ScratchWorkingDirectory {
public:
    // Copies ini (when given) to Barrelburst.ini in a fresh directory and
    // enters it. Throws ToolError when any step fails.
    explicit ScratchWorkingDirectory(const std::optional<std::filesystem::path>& ini);
    ~ScratchWorkingDirectory();
    ScratchWorkingDirectory(const ScratchWorkingDirectory&) = delete;
    ScratchWorkingDirectory& operator=(const ScratchWorkingDirectory&) = delete;

private:
    void remove();
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// Reads a whole file as bytes; throws ToolError naming the file and the reason.
std::string read_file(const std::filesystem::path& file, const char* what);

}  // namespace sim
