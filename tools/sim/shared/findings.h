#pragma once
// What `check` finds in an INI and `log` in a shot log, and the one way both
// print it: in text, one line a finding, or as JSON for editors and CI.

#include <nlohmann/json_fwd.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace sim {

enum class Severity {
    error,    // the plugin will not do what the line says
    warning,  // it will, but the value is odd, out of range or easy to misread
};

const char* severity_name(Severity severity);

struct Finding {
    int line = 0;         // 0: not about one line
    std::string section;  // empty: none
    std::string key;      // empty: none
    Severity severity = Severity::warning;
    std::string message;
    std::string suggestion;  // empty: none
};

// How a command that reports findings prints: text, or one JSON object.
enum class OutputFormat { text, json };

// The findings about a file as check prints them: a count line, then one
// line each ("FILE:LINE: severity: message; suggestion").
void print_findings_text(std::ostream& out, const std::string& file, const std::vector<Finding>& findings);
// The findings as check's JSON lists them.
nlohmann::ordered_json findings_json(const std::vector<Finding>& findings);

}  // namespace sim
