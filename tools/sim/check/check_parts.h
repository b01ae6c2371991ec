#pragma once
// The parts of `check`, each in its file: the text helpers its messages are
// made with (here), the nearest known name to a misspelt one
// (name_match.cpp), the lines of the file with the reader's rules
// (line_scan.cpp), and what the report says of a value (value_rules.cpp).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini_names.h"
#include "config/settings_table.h"
#include "shared/findings.h"
#include "shared/text_format.h"

namespace sim {

inline std::string quote(const std::string& text) { return "'" + text + "'"; }

// A name in lower case, as the reader compares names.
inline std::string lower(std::string text) {
    for (char& c : text) c = ini_lower_char(c);
    return text;
}

inline std::string number_text(double value) { return format("%g", value); }
inline std::string number_text(float value) { return number_text(static_cast<double>(value)); }

// Without the blanks (spaces, tabs) at either end.
inline std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

inline bool is_comment(const std::string& rest) { return !rest.empty() && (rest[0] == ';' || rest[0] == '#'); }

inline Finding finding(int line, std::string section, std::string key, Severity severity, std::string message,
                       std::string suggestion = {}) {
    return {line, std::move(section), std::move(key), severity, std::move(message), std::move(suggestion)};
}

// ------------------------------------------------------------------ names (name_match.cpp)

bool starts_with_name(std::string_view text, std::string_view prefix);

// A name made ready for the search of the nearest: in lower case, with how
// often each character occurs (folded into 32 counts, which keeps the
// difference of two counts a lower bound of the edits between the names).
struct NameForm {
    std::string text;
    std::array<std::uint16_t, 32> counts{};
};
NameForm form_of(const std::string& name);

// The nearest of the names, when it is near enough to be a slip; a name that
// the written one begins (a bare class name for its per-class key) also counts.
std::optional<std::size_t> nearest(const NameForm& name, const std::vector<NameForm>& names, bool prefix_counts);

// ------------------------------------------------------------------ lines (line_scan.cpp)

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

// ------------------------------------------------------------------ values (value_rules.cpp)

struct Oddity {
    Severity severity;
    std::string message;
    std::string suggestion;
};

// Every oddity of a key's value, by its kind; sets falls_back for a list
// that does not read.
std::vector<Oddity> value_oddities(const std::string& value, const std::string& section, const SettingKey& row,
                                   bool& falls_back);
// A [Base_Degradation] key that can never be an NPC's relationship group.
std::optional<Oddity> group_name_oddity(const std::string& key);

}  // namespace sim
