#pragma once
// `check FILE`: reads the file exactly as the plugin does, prints the
// effective value of every setting and where it came from (file, default,
// fallback), and flags what the plugin would ignore or read in a way the
// writer may not expect.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace sim {

struct CheckProblem {
    int line = 0;  // 0: not about one line
    std::string message;
};

struct CheckedSetting {
    std::string section;
    std::string key;
    std::string value;   // the effective value, as the plugin holds it
    std::string source;  // "file", "default" or "fallback"
    int line = 0;        // the line the value came from (file, fallback)
};

struct CheckReport {
    std::vector<CheckedSetting> settings;
    std::vector<CheckProblem> problems;
};

// Throws ToolError when the file cannot be read, with the reason.
CheckReport check_ini(const std::filesystem::path& file);

// Prints the report; the exit status: 0 when nothing is flagged, 1 when
// something is, 2 when the file cannot be read.
int check_command(const std::filesystem::path& file, std::ostream& out, std::ostream& err);

}  // namespace sim
