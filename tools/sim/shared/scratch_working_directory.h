#pragma once
// The plugin opens Barrelburst.ini by relative name in the working directory.
// A scratch directory holds a copy of the file to read (or none) and is the
// working directory while it lives.

#include <filesystem>
#include <optional>

namespace sim {

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

}  // namespace sim
