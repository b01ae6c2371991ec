#include "check/check.h"

#include <SimpleIni.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "shared/files.h"
#include "shared/ini_names.h"
#include "shared/platform.h"
#include "common/overloaded.h"
#include "config/ini_text.h"
#include "config/key_names.h"
#include "host/plugin_state.h"

namespace sim {

namespace {

// ------------------------------------------------------------------ names

bool starts_with_name(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && same_name(text.substr(0, prefix.size()), prefix);
}

// A name made ready for the search of the nearest: in lower case, with how
// often each character occurs (folded into 32 counts, which keeps the
// difference of two counts a lower bound of the edits between the names).
struct NameForm {
    std::string text;
    std::array<std::uint16_t, 32> counts{};
};

NameForm form_of(const std::string& name) {
    NameForm form{lower(name), {}};
    for (const char c : form.text) ++form.counts[static_cast<unsigned char>(c) & 31u];
    return form;
}

// At least as many edits as a to b takes: every character one name has more
// of than the other must be inserted, deleted or replaced.
std::size_t edits_at_least(const NameForm& a, const NameForm& b) {
    std::size_t more_in_a = 0;
    std::size_t more_in_b = 0;
    for (std::size_t i = 0; i < a.counts.size(); ++i) {
        if (a.counts[i] > b.counts[i]) {
            more_in_a += a.counts[i] - b.counts[i];
        } else {
            more_in_b += b.counts[i] - a.counts[i];
        }
    }
    return std::max(more_in_a, more_in_b);
}

// Edits (insert, delete, replace) from a to b. Exact up to `most`; past it,
// some number above `most` (a row's smallest count never falls in later rows).
std::size_t edit_distance(std::string_view a, std::string_view b, std::size_t most) {
    static thread_local std::vector<std::size_t> row;
    row.resize(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        std::size_t smallest = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t replace = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, replace});
            smallest = std::min(smallest, row[j]);
            diagonal = above;
        }
        if (smallest > most) return smallest;
    }
    return row[b.size()];
}

std::size_t slip_allowance(const std::string& name) { return std::max<std::size_t>(2, name.size() / 3); }

// The nearest of the names, when it is near enough to be a slip; a name that
// the written one begins (a bare class name for its per-class key) also counts.
std::optional<std::size_t> nearest(const NameForm& name, const std::vector<NameForm>& names, bool prefix_counts) {
    const std::size_t allowance = slip_allowance(name.text);
    std::optional<std::size_t> best;
    std::size_t best_distance = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& known = names[i].text;
        const bool prefix = prefix_counts && known.size() > name.text.size() && known.starts_with(name.text) &&
                            known[name.text.size()] == '_';
        if (!prefix) {
            // The distance is at least the difference in length, and in the characters.
            const std::size_t longer = std::max(name.text.size(), known.size());
            const std::size_t shorter = std::min(name.text.size(), known.size());
            if (longer - shorter > allowance || edits_at_least(name, names[i]) > allowance) continue;
        }
        const std::size_t d = edit_distance(name.text, known, prefix ? known.size() + name.text.size() : allowance);
        if (!prefix && d > allowance) continue;
        if (!best || d < best_distance) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

std::string quote(const std::string& text) { return "'" + text + "'"; }

std::string number_text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}
std::string number_text(float value) { return number_text(static_cast<double>(value)); }

// ------------------------------------------------------------------ lines

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool is_comment(const std::string& rest) { return !rest.empty() && (rest[0] == ';' || rest[0] == '#'); }

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

Finding finding(int line, std::string section, std::string key, Severity severity, std::string message,
                std::string suggestion = {}) {
    return {line, std::move(section), std::move(key), severity, std::move(message), std::move(suggestion)};
}

// A section line opens its section; one without ']' leaves the open one open.
void scan_section_line(Scan& scan, const IniLine& line, std::string& section, bool& in_section) {
    if (line.kind == IniLine::unclosed_section) {
        scan.findings.push_back(finding(line.number, in_section ? section : "", "", Severity::error,
                                        "a section line without ']' is ignored; the keys below it stay in " +
                                            (in_section ? "[" + section + "]" : std::string("no section")),
                                        "close it with ']'"));
        return;
    }
    section = line.name;
    in_section = true;
    scan.sections.push_back({line.number, section});
    const std::string rest(line.value);
    if (!rest.empty() && !is_comment(rest)) {
        scan.findings.push_back(finding(line.number, section, "", Severity::warning,
                                        "the text after ']' (" + quote(rest) + ") is ignored"));
    }
}

// Any other line: a key of the open section, or a line the reader ignores.
void scan_key_line(Scan& scan, const IniLine& line, const std::string& section, bool in_section) {
    const std::string here = in_section ? section : "";
    if (line.kind == IniLine::no_equals) {
        scan.findings.push_back(finding(line.number, here, "", Severity::error,
                                        quote(std::string(line.content)) + " has no '=': the line is ignored",
                                        "write key=value, or start a comment with ';'"));
        return;
    }
    if (line.kind == IniLine::no_name) {
        scan.findings.push_back(
            finding(line.number, here, "", Severity::error, "nothing before '=': the line is ignored"));
        return;
    }
    const std::string key(line.name);
    if (!in_section) {
        scan.findings.push_back(finding(line.number, "", key, Severity::error,
                                        quote(key) + " stands above the first section: the plugin never reads it",
                                        "move it into its section"));
        return;
    }
    scan.keys.push_back({line.number, section, key, std::string(line.value)});
}

// The lines of the file with the reader's rules: comments, sections, keys.
Scan scan_lines(const std::string& text) {
    Scan scan;
    std::string section;
    bool in_section = false;
    for (const IniLine& line : ini_lines(text)) {
        switch (line.kind) {
            case IniLine::blank:
            case IniLine::comment:
                break;
            case IniLine::section:
            case IniLine::unclosed_section:
                scan_section_line(scan, line, section, in_section);
                break;
            case IniLine::key:
            case IniLine::no_equals:
            case IniLine::no_name:
                scan_key_line(scan, line, section, in_section);
                break;
        }
    }
    return scan;
}

// ------------------------------------------------------------------ values

const char* comment_hint(const std::string& rest) {
    return is_comment(rest) ? " (a comment after a value is part of the value)" : "";
}
const char* comment_fix(const std::string& rest) {
    return is_comment(rest) ? "put the comment on a line of its own" : "";
}

struct Oddity {
    Severity severity;
    std::string message;
    std::string suggestion;
};

bool integral(ValueKind kind) {
    return kind == ValueKind::flag || kind == ValueKind::exact_switch || kind == ValueKind::whole_number;
}

// What atoi or atof makes of the text, when that may not be what was meant.
std::optional<Oddity> number_oddity(const std::string& value, const SettingKey& row) {
    const bool flag = row.kind == ValueKind::flag;
    const std::string zero = flag ? "off" : "0";
    if (value.empty()) {
        const std::string default_effect = flag ? (std::string(row.default_text) == "0" ? "off" : "on")
                                                : row.default_text;
        return Oddity{Severity::warning,
                      "the value is empty: it reads as " + zero + ", not as the default " + default_effect,
                      "delete the line to get the default"};
    }
    const char* start = value.c_str();
    char* end = nullptr;
    errno = 0;
    double number = 0.0;
    long whole = 0;  // kept apart: LONG_MAX as a double does not convert back
    if (integral(row.kind)) {
        whole = std::strtol(start, &end, 10);
        number = static_cast<double>(whole);
    } else {
        number = std::strtod(start, &end);
    }
    if (end == start) {
        return Oddity{Severity::error, quote(value) + " is not a number: it reads as " + zero,
                      flag || row.kind == ValueKind::exact_switch ? "write 1 for on, 0 for off" : "write a number"};
    }
    const std::string reading = flag ? std::string(number != 0.0 ? "on" : "off")
                                     : (integral(row.kind) ? std::to_string(whole)
                                                           : number_text(number));
    const std::string rest = trimmed(end);
    if (!rest.empty()) {
        return Oddity{Severity::warning,
                      quote(value) + " reads as " + reading + "; the rest " + quote(rest) + " is ignored" +
                          comment_hint(rest),
                      comment_fix(rest)};
    }
    return std::nullopt;
}

// A shooter switch that is neither 0 nor 1.
std::optional<Oddity> switch_oddity(const std::string& value, const std::string& section, const SettingKey& row) {
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (number == 0 || number == 1) return std::nullopt;
    std::string message = quote(value) + " is kept as " + std::to_string(number) + ", and only exactly 1 counts as on";
    if (std::strcmp(row.key, "enable_explosion") == 0 && same_name(section, "NPC")) {
        message += ": the scan still evaluates NPCs (it skips them only for 0), but their blasts, effects and base "
                   "degradation need 1";
    }
    return Oddity{Severity::warning, message, "write 1 for on, 0 for off"};
}

std::optional<Oddity> text_oddity(const std::string& value) {
    if (value.empty()) return Oddity{Severity::error, "the name is empty: no effect of that name exists", ""};
    const std::size_t comment = value.find_first_of(";#");
    if (comment != std::string::npos) {
        return Oddity{Severity::error,
                      "the name is " + quote(value) + " as a whole: a comment after a value is part of the value",
                      "put the comment on a line of its own"};
    }
    if (value.front() == '"' || value.front() == '\'') {
        return Oddity{Severity::error, "quotes stay part of the name " + quote(value), "write the name without quotes"};
    }
    if (value.find_first_of(" \t") != std::string::npos) {
        return Oddity{Severity::warning, "the name " + quote(value) + " holds a blank", ""};
    }
    return std::nullopt;
}

// The names [Main] menu_key takes, from the menu's own list of keys: names
// in a row (F1, F2, ... F24) as one range.
bool next_in_row(std::string_view name, std::string_view next) {
    if (name.size() == 1 && next.size() == 1) return next[0] == name[0] + 1;
    const auto digits_at = [](std::string_view text) { return text.find_last_not_of("0123456789") + 1; };
    const std::size_t at = digits_at(name);
    if (at == name.size() || at != digits_at(next) || name.substr(0, at) != next.substr(0, at)) return false;
    return std::atoi(std::string(next.substr(at)).c_str()) == std::atoi(std::string(name.substr(at)).c_str()) + 1;
}

const std::string& menu_key_names() {
    static const std::string names = [] {
        std::vector<std::pair<std::string, std::string>> runs;  // the first and the last name of each
        int previous = 0;
        for (int code = 1; code < 256; ++code) {
            const char* name = key_name(code);
            if (name == nullptr || menu_key_code(name) != code) continue;
            if (previous == code - 1 && !runs.empty() && next_in_row(runs.back().second, name)) {
                runs.back().second = name;
            } else {
                runs.push_back({name, name});
            }
            previous = code;
        }
        std::string out;
        for (const auto& [first, last] : runs) {
            out += (out.empty() ? "" : ", ") + first + (first == last ? "" : "-" + last);
        }
        return out;
    }();
    return names;
}

bool is_menu_key(const SettingKey& row) {
    const auto* field = std::get_if<std::string ModSettings::*>(&row.store);
    return field != nullptr && *field == &ModSettings::menu_key;
}

// A menu_key that names no key the menu knows: the menu never opens. Empty is
// meant: no menu.
std::optional<Oddity> menu_key_oddity(const std::string& value) {
    if (value.empty() || menu_key_code(value) != 0) return std::nullopt;
    const char* comment = value.find_first_of(";#") != std::string::npos
                              ? " (a comment after a value is part of the value)"
                              : "";
    return Oddity{
        Severity::error,
        quote(value) + " is not a key the menu knows" + comment + ": there will be no settings menu in the game",
        "write one of " + menu_key_names() + ", or leave it empty for no menu"};
}

// A list as the loader reads it: the numbers when they are all there.
struct ListReading {
    std::vector<float> numbers;  // empty: the fallback applies
    int got = 0;
    std::string rest;            // after the last wanted number
};

ListReading read_list(const std::string& value, ValueKind kind) {
    float m[7] = {};
    int consumed = -1;
    const int wanted = kind == ValueKind::seven ? 7 : 2;
    int got = 0;
    if (wanted == 7) {
        got = std::sscanf(value.c_str(), "%f,%f,%f,%f,%f,%f,%f%n", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &m[6],
                          &consumed);
    } else {
        got = std::sscanf(value.c_str(), "%f,%f%n", &m[0], &m[1], &consumed);
    }
    ListReading reading;
    reading.got = got == EOF ? 0 : got;
    if (reading.got == wanted) {
        reading.numbers.assign(m, m + wanted);
        if (consumed >= 0) reading.rest = trimmed(value.substr(static_cast<std::size_t>(consumed)));
    }
    return reading;
}

// What a list value gives, when it is not what was written.
std::optional<Oddity> list_oddity(const std::string& value, const SettingKey& row, const ListReading& reading) {
    const int wanted = row.kind == ValueKind::seven ? 7 : 2;
    if (reading.numbers.empty()) {
        std::string why = "does not read as " + std::to_string(wanted) + " numbers joined by commas";
        if (value.find(" ,") != std::string::npos || value.find("\t,") != std::string::npos) {
            why += " (a blank before a comma ends the list)";
        } else if (reading.got > 0) {
            why += " (it holds " + std::to_string(reading.got) + ")";
        }
        return Oddity{Severity::error, quote(value) + " " + why + ": it falls back to " + fallback_of(row),
                      "write " + std::to_string(wanted) + " numbers, each comma right after a number"};
    }
    if (!reading.rest.empty()) {
        return Oddity{Severity::warning,
                      quote(value) + " reads as its first " + std::to_string(wanted) + " numbers; the rest " +
                          quote(reading.rest) + " is ignored" + comment_hint(reading.rest),
                      comment_fix(reading.rest)};
    }
    return std::nullopt;
}

// "0 or more", "0 to 1", "0 to below 1".
std::string range_text(const ValueRange& range) {
    if (std::isinf(range.high)) return number_text(range.low) + " or more";
    return number_text(range.low) + (range.high_excluded ? " to below " : " to ") + number_text(range.high);
}

bool in_range(float value, const ValueRange& range) {
    if (!(value >= range.low)) return false;
    return range.high_excluded ? value < range.high : value <= range.high;
}

std::optional<Oddity> range_oddity(const std::vector<float>& numbers, const SettingKey& row) {
    if (!row.has_range) return std::nullopt;
    for (const float number : numbers) {
        if (in_range(number, row.range)) continue;
        std::string message = number_text(number) + " is outside the range where it makes sense, " +
                              range_text(row.range);
        if (row.range.outside != nullptr) message += std::string(": ") + row.range.outside;
        return Oddity{Severity::warning, message, "use a value of " + range_text(row.range)};
    }
    return std::nullopt;
}

std::optional<Oddity> order_oddity(const std::vector<float>& numbers, const SettingKey& row) {
    if (row.kind != ValueKind::pair || numbers.size() != 2 || !(numbers[0] > numbers[1])) return std::nullopt;
    return Oddity{Severity::warning,
                  "the low " + number_text(numbers[0]) + " is above the high " + number_text(numbers[1]) +
                      ": the draw still falls between the two, but low,high is meant",
                  "write the lower number first: " + number_text(numbers[1]) + "," + number_text(numbers[0])};
}

// Every oddity of a value, by its kind; sets falls_back for a list that does not read.
std::vector<Oddity> value_oddities(const std::string& value, const std::string& section, const SettingKey& row,
                                   bool& falls_back) {
    std::vector<Oddity> found;
    const auto add = [&found](std::optional<Oddity> oddity) {
        if (oddity) found.push_back(std::move(*oddity));
    };
    switch (row.kind) {
        case ValueKind::number:
            add(number_oddity(value, row));
            add(range_oddity({static_cast<float>(std::atof(value.c_str()))}, row));
            break;
        case ValueKind::flag:
        case ValueKind::whole_number:
            add(number_oddity(value, row));
            break;
        case ValueKind::exact_switch: {
            const std::optional<Oddity> number = number_oddity(value, row);
            add(number ? number : switch_oddity(value, section, row));
            break;
        }
        case ValueKind::text:
            add(is_menu_key(row) ? menu_key_oddity(value) : text_oddity(value));
            break;
        case ValueKind::pair:
        case ValueKind::seven: {
            const ListReading reading = read_list(value, row.kind);
            falls_back = reading.numbers.empty();
            add(list_oddity(value, row, reading));
            add(order_oddity(reading.numbers, row));
            add(range_oddity(reading.numbers, row));
            break;
        }
    }
    return found;
}

constexpr const char* gang_groups =
    "REL_GANG_ODRISCOLL, REL_GANG_LEMOYNE_RAIDERS, REL_GANG_MURFREE_BROOD, REL_GANG_SKINNER_BROTHERS, "
    "REL_GANG_LARAMIE_GANG, REL_GANG_SMUGGLERS, REL_GANG_CREOLE, REL_GANG_DUTCHS, REL_GUNSLINGERS, REL_CRIMINALS";

// A [Base_Degradation] key that can never be an NPC's relationship group.
std::optional<Oddity> group_name_oddity(const std::string& key) {
    const std::string compared =
        "the plugin compares each key, hashed, with the relationship group of the NPC who shoots, so ";
    if (starts_with_name(key, "WEAPON_")) {
        return Oddity{Severity::error,
                      quote(key) + " is a weapon name: " + compared + "a weapon name never matches",
                      std::string("use a relationship group, for example ") + gang_groups};
    }
    if (!starts_with_name(key, "REL_")) {
        return Oddity{Severity::error,
                      quote(key) + " is not a relationship-group name (REL_...): " + compared +
                          "it applies only to a group of exactly that name",
                      std::string("use a relationship group, for example ") + gang_groups};
    }
    return std::nullopt;
}

// ------------------------------------------------------------------ the plugin's values

std::string stored_text(const SettingName& name) {
    const auto find = [&name](const auto& table, auto format) -> std::string {
        const auto it = table.find(name.instance);
        return it == table.end() ? std::string("(none)") : format(it->second);
    };
    const auto as_number = [](float v) { return number_text(v); };
    const auto as_int = [](int v) { return std::to_string(v); };
    return std::visit(
        Overloaded{
            [](float ModSettings::*field) { return number_text(settings.*field); },
            [](bool ModSettings::*field) { return std::string(settings.*field ? "on" : "off"); },
            [](std::string ModSettings::*field) { return settings.*field; },
            [](std::vector<BaseDegradationEntry> ModSettings::*) { return std::string(); },
            [&](std::unordered_map<std::string, RecoilRange> ClassTuning::*table) {
                return find(class_tuning.*table,
                            [](const RecoilRange& r) { return number_text(r.low) + ", " + number_text(r.high); });
            },
            [&](std::unordered_map<std::string, RecoilModifiers> ClassTuning::*table) {
                return find(class_tuning.*table, [](const RecoilModifiers& m) {
                    std::string out;
                    for (const float v : m) out += (out.empty() ? "" : ", ") + number_text(v);
                    return out;
                });
            },
            [&](std::map<std::string, float> ClassTuning::*table) { return find(class_tuning.*table, as_number); },
            [&](std::map<std::string, int> ClassTuning::*table) { return find(class_tuning.*table, as_int); },
            [&](std::map<std::string, float> ShooterTuning::*table) { return find(shooter_tuning.*table, as_number); },
            [&](std::map<std::string, int> ShooterTuning::*table) { return find(shooter_tuning.*table, as_int); },
        },
        name.row->store);
}

// What the plugin makes of the text, key by key.
std::vector<std::string> stored_texts(const std::vector<SettingName>& names, const std::string& text) {
    reset_plugin_state();
    load_settings_from_text(text);
    std::vector<std::string> values;
    for (const SettingName& name : names) values.push_back(stored_text(name));
    return values;
}

const char* canonical_section(std::string_view name) {
    for (const char* s : settings_sections) {
        if (same_name(s, name)) return s;
    }
    return nullptr;
}

const SettingKey& base_degradation_row() {
    for (const SettingKey& row : settings_table) {
        if (row.scope == KeyScope::any_key) return row;
    }
    std::abort();
}

// ------------------------------------------------------------------ the report

void flag(std::vector<Finding>& findings, int line, const std::string& section, const std::string& key,
          const Oddity& o) {
    findings.push_back(
        finding(line, section, key, o.severity, "[" + section + "] " + key + ": " + o.message, o.suggestion));
}

std::string key_id(const std::string& section, const std::string& key) { return lower(section) + "\n" + lower(key); }

// The line each key's value comes from: its last line in its section.
class LastLines {
public:
    explicit LastLines(const std::vector<KeyLine>& keys) {
        for (const KeyLine& k : keys) lines_[key_id(k.section, k.key)] = k.line;
    }
    int of(const std::string& section, const std::string& key) const {
        const auto it = lines_.find(key_id(section, key));
        return it == lines_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, int> lines_;
};

// Every key the plugin reads, with the value the plugin made of the file.
std::vector<CheckedSetting> effective_settings(const CSimpleIniA& ini, const std::vector<SettingName>& names,
                                               const std::vector<std::string>& values,
                                               const std::vector<std::string>& defaults, const LastLines& last_lines,
                                               std::vector<Finding>& findings) {
    std::vector<CheckedSetting> found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const SettingName& name = names[i];
        CheckedSetting s{name.section, name.key, values[i], "", "default", 0, values[i] != defaults[i], name.row};
        if (const char* value = ini.GetValue(name.section.c_str(), name.key.c_str(), nullptr)) {
            s.written = value;
            s.source = "file";
            s.line = last_lines.of(name.section, name.key);
            bool falls_back = false;
            for (const Oddity& o : value_oddities(value, name.section, *name.row, falls_back)) {
                flag(findings, s.line, name.section, name.key, o);
            }
            if (falls_back) s.source = "fallback";
        }
        found.push_back(s);
    }
    return found;
}

// The base-degradation list the plugin read, entry by entry, in the reader's order.
void add_base_degradation_entries(const CSimpleIniA& ini, const LastLines& last_lines,
                                  std::vector<CheckedSetting>& found, std::vector<Finding>& findings) {
    const SettingKey& base = base_degradation_row();
    for (const BaseDegradationEntry& e : settings.base_degradation) {
        const int line = last_lines.of(base.section, e.weapon_name);
        const char* value = ini.GetValue(base.section, e.weapon_name.c_str(), "");
        bool falls_back = false;
        for (const Oddity& o : value_oddities(value, base.section, base, falls_back)) {
            flag(findings, line, base.section, e.weapon_name, o);
        }
        if (const auto o = group_name_oddity(e.weapon_name)) flag(findings, line, base.section, e.weapon_name, *o);
        found.push_back({base.section, e.weapon_name, number_text(e.low) + ", " + number_text(e.high), value,
                         falls_back ? "fallback" : "file", line, true, &base});
    }
}

void flag_unknown_sections(const std::vector<SectionLine>& lines, std::vector<Finding>& findings) {
    const std::vector<std::string> sections(settings_sections.begin(), settings_sections.end());
    static const std::vector<NameForm> forms = [&sections] {
        std::vector<NameForm> made;
        for (const std::string& section : sections) made.push_back(form_of(section));
        return made;
    }();
    for (const SectionLine& s : lines) {
        if (canonical_section(s.name) != nullptr) continue;
        const auto near = nearest(form_of(s.name), forms, false);
        findings.push_back(finding(s.line, s.name, "", Severity::error,
                                   "unknown section [" + s.name + "]: the plugin never reads it",
                                   near ? "did you mean [" + sections[*near] + "]?" : ""));
    }
}

// Every key the plugin reads, made ready for finding a written key among
// them: by section, in the table's order, and by name.
struct KnownKeys {
    explicit KnownKeys(const std::vector<SettingName>& all_names) : names(all_names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const NameForm form = form_of(names[i].key);
            all.push_back(form);
            first_of.try_emplace(form.text, i);
            Section& section = sections[lower(names[i].section)];
            section.keys.push_back(names[i].key);
            section.forms.push_back(form);
            section.known.insert(form.text);
        }
    }
    struct Section {
        std::vector<std::string> keys;
        std::vector<NameForm> forms;
        std::unordered_set<std::string> known;  // in lower case
    };
    const std::vector<SettingName>& names;
    std::vector<NameForm> all;
    std::unordered_map<std::string, std::size_t> first_of;  // the first name of each key, in lower case
    std::unordered_map<std::string, Section> sections;      // by the section in lower case
};

// For a key the section does not have: the section that has it, else the
// nearest name in the section or in any section.
std::string unknown_key_suggestion(const NameForm& key, const KnownKeys& known, const KnownKeys::Section& section) {
    if (const auto elsewhere = known.first_of.find(key.text); elsewhere != known.first_of.end()) {
        return "it belongs in [" + known.names[elsewhere->second].section + "]";
    }
    std::string suggestion;
    const auto here = nearest(key, section.forms, true);
    const auto anywhere = nearest(key, known.all, false);
    const std::string& nearest_anywhere = anywhere ? known.names[*anywhere].key : suggestion;
    const bool other = anywhere && (!here || nearest_anywhere != section.keys[*here]);
    if (here) {
        suggestion = "did you mean " + quote(section.keys[*here]) + "?";
        if (other) {
            suggestion += " (of any section, the nearest is " + quote(nearest_anywhere) + " in [" +
                          known.names[*anywhere].section + "])";
        }
    } else if (other) {
        suggestion = "did you mean " + quote(nearest_anywhere) + " in [" + known.names[*anywhere].section + "]?";
    }
    return suggestion;
}

// Keys given twice in a section the plugin reads, and keys it does not read there.
void flag_repeated_and_unknown_keys(const std::vector<KeyLine>& keys, const std::vector<SettingName>& names,
                                    std::vector<Finding>& findings) {
    const SettingKey& base = base_degradation_row();
    static const KnownKeys known(names);
    std::map<std::string, const KeyLine*> seen;
    for (const KeyLine& k : keys) {
        const char* section = canonical_section(k.section);
        if (section == nullptr) continue;
        const std::string id = key_id(section, k.key);
        if (const auto it = seen.find(id); it != seen.end()) {
            findings.push_back(finding(it->second->line, section, it->second->key, Severity::error,
                                       "[" + std::string(section) + "] " + it->second->key + ": given again at line " +
                                           std::to_string(k.line) + ", whose value counts",
                                       "delete one of the two lines"));
        }
        seen[id] = &k;
        if (std::strcmp(section, base.section) == 0) continue;

        static const KnownKeys::Section no_keys;
        const auto in_section = known.sections.find(lower(section));
        const KnownKeys::Section& section_keys = in_section == known.sections.end() ? no_keys : in_section->second;
        const NameForm key = form_of(k.key);
        if (section_keys.known.contains(key.text)) continue;
        const std::string message =
            "[" + std::string(section) + "] unknown key " + quote(k.key) + ": the plugin never reads it";
        findings.push_back(
            finding(k.line, section, k.key, Severity::error, message, unknown_key_suggestion(key, known, section_keys)));
    }
}

// The settings by section: the file's own sections in its order, then the rest.
std::vector<CheckedSetting> by_section(const std::vector<SectionLine>& lines,
                                       const std::vector<CheckedSetting>& found) {
    std::vector<std::string> order;
    const auto add_section = [&order](const char* s) {
        if (s != nullptr && std::find(order.begin(), order.end(), s) == order.end()) order.push_back(s);
    };
    for (const SectionLine& s : lines) add_section(canonical_section(s.name));
    for (const char* s : settings_sections) add_section(s);
    std::vector<CheckedSetting> sorted;
    for (const std::string& section : order) {
        for (const CheckedSetting& s : found) {
            if (s.section == section) sorted.push_back(s);
        }
    }
    return sorted;
}

}  // namespace

CheckReport check_ini_text(const std::string& text, const std::string& file) {
    const Scan scan = scan_lines(text);
    CheckReport report;
    report.file = file;
    report.findings = scan.findings;

    // The reader the loader uses, on the text the loader gives it.
    CSimpleIniA ini;
    const std::string cleaned = drop_unclosed_section_lines(text);
    if (!cleaned.empty()) ini.LoadData(cleaned.data(), cleaned.size());

    // The values the plugin makes of no file, then of this one, from its own loader.
    static const std::vector<SettingName> names = all_setting_names();
    static const std::vector<std::string> defaults = stored_texts(names, "");
    const std::vector<std::string> values = stored_texts(names, text);

    const LastLines last_lines(scan.keys);
    std::vector<CheckedSetting> found = effective_settings(ini, names, values, defaults, last_lines, report.findings);
    add_base_degradation_entries(ini, last_lines, found, report.findings);
    flag_unknown_sections(scan.sections, report.findings);
    flag_repeated_and_unknown_keys(scan.keys, names, report.findings);
    report.settings = by_section(scan.sections, found);

    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

CheckReport check_ini(const std::filesystem::path& file) {
    return check_ini_text(read_file(file, "INI file"), utf8_of(file));
}

void print_check_text(std::ostream& out, const CheckReport& report) {
    out << "barrelburst-sim check: " << report.file << "\n";
    out << "Effective settings, as the plugin reads the file, by section in the file's order (* the value differs "
           "from the default; source: the file with its line, the default, or the fallback of a list that does "
           "not read):\n";
    std::string section;
    for (const CheckedSetting& s : report.settings) {
        if (s.section != section) {
            section = s.section;
            out << "[" << section << "]\n";
        }
        const std::string value = s.row->kind == ValueKind::text ? "\"" + s.value + "\"" : s.value;
        const std::string source = s.line > 0 ? s.source + ", line " + std::to_string(s.line) : s.source;
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, "  %s %-37s %-34s %s\n", s.differs ? "*" : " ", s.key.c_str(),
                      value.c_str(), source.c_str());
        out << buffer;
    }
    const bool entries = std::any_of(report.settings.begin(), report.settings.end(), [](const CheckedSetting& s) {
        return s.row->scope == KeyScope::any_key;
    });
    if (!entries) out << "[" << settings_sections.back() << "]\n    (no entries)\n";

    print_findings_text(out, report.file, report.findings);
}

void print_check_json(std::ostream& out, const CheckReport& report) {
    using Json = nlohmann::ordered_json;
    const auto line_or_null = [](int line) { return line > 0 ? Json(line) : Json(nullptr); };
    Json settings_list = Json::array();
    for (const CheckedSetting& s : report.settings) {
        settings_list.push_back(
            {{"section", s.section}, {"key", s.key}, {"value", s.value}, {"source", s.source}, {"line", line_or_null(s.line)}});
    }
    Json document = Json::object();
    document["file"] = report.file;
    document["settings"] = std::move(settings_list);
    document["findings"] = findings_json(report.findings);
    // Bytes of the file that are not UTF-8 become U+FFFD, so the output always parses.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int check_command(const std::filesystem::path& file, OutputFormat format, std::ostream& out, std::ostream& err) {
    CheckReport report;
    try {
        report = check_ini(file);
    } catch (const ToolError& error) {
        err << "barrelburst-sim check: " << error.what() << "\n";
        return 2;
    }
    if (format == OutputFormat::json) {
        print_check_json(out, report);
    } else {
        print_check_text(out, report);
    }
    return report.findings.empty() ? 0 : 1;
}

}  // namespace sim
