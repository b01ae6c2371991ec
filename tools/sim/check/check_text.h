#pragma once
// The small text helpers of `check`'s parts: quoting, numbers as the report
// writes them, blanks, comments, and a finding.

#include <cstdio>
#include <string>
#include <utility>

#include "shared/findings.h"

namespace sim {

inline std::string quote(const std::string& text) { return "'" + text + "'"; }

inline std::string number_text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}
inline std::string number_text(float value) { return number_text(static_cast<double>(value)); }

inline bool blank(char c) { return c == ' ' || c == '\t'; }

inline std::string trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

inline bool is_comment(const std::string& rest) { return !rest.empty() && (rest[0] == ';' || rest[0] == '#'); }

inline Finding finding(int line, std::string section, std::string key, Severity severity, std::string message,
                       std::string suggestion = {}) {
    return {line, std::move(section), std::move(key), severity, std::move(message), std::move(suggestion)};
}

}  // namespace sim
