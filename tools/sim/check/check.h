#pragma once
// `check FILE`: reads the file exactly as the plugin does, lists the
// effective value of every setting and where it came from (file, default,
// fallback), and flags what the plugin would ignore, read in a way the writer
// may not expect, or use in a way no formula means. In text, or as one JSON
// object for editors and for modpacks that lint their files.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "shared/findings.h"
#include "config/settings_table.h"

namespace sim {

struct CheckedSetting {
    std::string section;
    std::string key;
    std::string value;   // the effective value, as the plugin holds it
    std::string written;  // the value's text as the file gives it; empty when it gives none
    std::string source;  // "file", "default" or "fallback"
    int line = 0;        // the line the value came from (file, fallback); 0 for a default
    bool differs = false;  // from the value the key has without the file
    const SettingKey* row = nullptr;
};

struct CheckReport {
    std::string file;
    // Grouped by section, the file's own sections in its order first.
    std::vector<CheckedSetting> settings;
    std::vector<Finding> findings;  // by line
};

// The report on the bytes of a file; file names it in the report.
CheckReport check_ini_text(const std::string& text, const std::string& file);
// Throws ToolError when the file cannot be read, with the reason.
CheckReport check_ini(const std::filesystem::path& file);

void print_check_text(std::ostream& out, const CheckReport& report);
void print_check_json(std::ostream& out, const CheckReport& report);

// Prints the report; the exit status: 0 when nothing is flagged, 1 when
// something is, 2 when the file cannot be read.
int check_command(const std::filesystem::path& file, OutputFormat format, std::ostream& out, std::ostream& err);

}  // namespace sim
