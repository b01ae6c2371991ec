#pragma once
// The lines of an INI with the reader's rules (config/ini_text.h): its
// section lines, its key lines by the section they stand in, and what the
// reader ignores, as findings.

#include <string>
#include <vector>

#include "shared/findings.h"

namespace sim {

// One key line of the file, as the reader splits it.
struct KeyLine {
    int line = 0;
    std::string section;  // as written
    std::string key;
    std::string value;
};

struct SectionLine {
    int line = 0;
    std::string name;
};

struct Scan {
    std::vector<SectionLine> sections;
    std::vector<KeyLine> keys;
    std::vector<Finding> findings;
};

Scan scan_lines(const std::string& text);

}  // namespace sim
