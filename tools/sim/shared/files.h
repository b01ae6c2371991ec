#pragma once
// Files the tool reads whole, and the temporary folders it works in.

#include <filesystem>
#include <string>

#include "shared/tool_error.h"

namespace sim {

// A new, empty folder "PREFIX-<process id>-<random>" in the system's temporary
// folder. Throws ToolError (naming what it was for) when it cannot be made.
std::filesystem::path make_temporary_directory(const std::string& prefix, const std::string& purpose);

// Throws ToolError unless the INI file is there and a regular file.
void check_ini_file(const std::filesystem::path& ini);

// Reads a whole file as bytes; throws ToolError naming the file and the reason.
std::string read_file(const std::filesystem::path& file, const char* what);

}  // namespace sim
