#pragma once
// What a run of the plugin outside the GoogleTest suite needs: the plugin's
// globals put back to their load values, and a scratch working directory for
// Barrelburst.ini (the plugin opens it by relative name).

#include <filesystem>
#include <string>

#include "host/plugin_state.h"

namespace invariants {


// Creates a fresh directory (in /dev/shm when there is one), removed again at
// process exit.
std::filesystem::path make_scratch_directory(const std::string& prefix);

// The working directory changed for the life of the object.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& path);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Writes Barrelburst.ini in the working directory.
void write_settings_file(const void* data, std::size_t size);
inline void write_settings_file(const std::string& text) { write_settings_file(text.data(), text.size()); }

}  // namespace invariants
