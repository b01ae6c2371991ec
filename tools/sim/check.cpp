#include "check.h"

#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "config/ini_text.h"
#include "config/settings.h"
#include "ini_format.h"
#include "plugin_state.h"
#include "scratch.h"

namespace sim {

namespace {

// One key line of the file, as the reader splits it.
struct KeyLine {
    int line = 0;
    std::string section;  // as written; empty above the first section
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
    std::vector<CheckProblem> problems;
};

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool is_comment(const std::string& rest) { return !rest.empty() && (rest[0] == ';' || rest[0] == '#'); }

// The lines of the file with the reader's rules: comments, sections, keys.
Scan scan_lines(const std::string& text) {
    Scan scan;
    std::size_t pos = 0;
    if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) pos = 3;
    int line = 0;
    std::string section;
    bool in_section = false;
    while (pos < text.size()) {
        ++line;
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string content = trimmed(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;

        if (content.empty() || is_comment(content)) continue;
        if (content[0] == '[') {
            const std::size_t close = content.find(']');
            if (close == std::string::npos) {
                scan.problems.push_back(
                    {line, "a section line without ']' is ignored; the keys below it stay in " +
                               (in_section ? "[" + section + "]" : std::string("no section"))});
                continue;
            }
            section = trimmed(content.substr(1, close - 1));
            in_section = true;
            scan.sections.push_back({line, section});
            const std::string rest = trimmed(content.substr(close + 1));
            if (!rest.empty() && !is_comment(rest)) {
                scan.problems.push_back({line, "the text after ']' ('" + rest + "') is ignored"});
            }
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string::npos) {
            scan.problems.push_back({line, "'" + content + "' has no '=': the line is ignored"});
            continue;
        }
        const std::string key = trimmed(content.substr(0, equals));
        if (key.empty()) {
            scan.problems.push_back({line, "nothing before '=': the line is ignored"});
            continue;
        }
        if (!in_section) {
            scan.problems.push_back({line, "'" + key + "' stands above the first section: the plugin never reads it"});
            continue;
        }
        scan.keys.push_back({line, section, key, trimmed(content.substr(equals + 1))});
    }
    return scan;
}

const std::string* known_section(const std::string& name) {
    for (const std::string& s : known_sections()) {
        if (same_name(s, name)) return &s;
    }
    return nullptr;
}

// The nearest of the names, when it is near enough to be a slip.
std::optional<std::string> nearest(const std::string& name, const std::vector<std::string>& names) {
    std::optional<std::string> best;
    std::size_t best_distance = 0;
    for (const std::string& candidate : names) {
        const std::size_t d = edit_distance(name, candidate);
        if (!best || d < best_distance) {
            best = candidate;
            best_distance = d;
        }
    }
    const std::size_t allowed = std::max<std::size_t>(2, name.size() / 3);
    if (best && best_distance <= allowed) return best;
    return std::nullopt;
}

std::string quote(const std::string& text) { return "'" + text + "'"; }

const char* comment_hint(const std::string& rest) {
    return is_comment(rest) ? " (a comment after a value is part of the value)" : "";
}

// What atoi or atof makes of the text, when that may not be what was meant.
std::optional<std::string> number_oddity(const std::string& value, const KnownKey& key) {
    const bool integral = key.kind != ValueKind::real;
    const std::string default_effect = key.kind == ValueKind::flag ? (key.default_text == "0" ? "off" : "on")
                                                                    : key.default_text;
    if (value.empty()) {
        return std::string("the value is empty: it reads as ") + (key.kind == ValueKind::flag ? "off" : "0") +
               ", not as the default " + default_effect;
    }
    const char* start = value.c_str();
    char* end = nullptr;
    errno = 0;
    double number = 0.0;
    if (integral) {
        number = static_cast<double>(std::strtol(start, &end, 10));
    } else {
        number = std::strtod(start, &end);
    }
    const std::string reading =
        key.kind == ValueKind::flag ? std::string(number != 0.0 ? "on" : "off")
                                    : (integral ? std::to_string(static_cast<long>(number)) : [&] {
                                          char buffer[32];
                                          std::snprintf(buffer, sizeof buffer, "%g", number);
                                          return std::string(buffer);
                                      }());
    if (end == start) {
        return quote(value) + " is not a number: it reads as " + (key.kind == ValueKind::flag ? "off" : "0") +
               (key.kind == ValueKind::flag ? " (a switch is a number: 1 for on, 0 for off)" : "");
    }
    const std::string rest = trimmed(end);
    if (!rest.empty()) {
        return quote(value) + " reads as " + reading + "; the rest " + quote(rest) + " is ignored" + comment_hint(rest);
    }
    return std::nullopt;
}

// What a list value gives, when it is not what was written.
std::optional<std::string> list_oddity(const std::string& value, const KnownKey& key, bool& falls_back) {
    float m[7] = {};
    int consumed = -1;
    int wanted = 2;
    int got = 0;
    if (key.kind == ValueKind::seven) {
        wanted = 7;
        got = std::sscanf(value.c_str(), "%f,%f,%f,%f,%f,%f,%f%n", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &m[6],
                          &consumed);
    } else {
        got = std::sscanf(value.c_str(), "%f,%f%n", &m[0], &m[1], &consumed);
    }
    if (got == EOF) got = 0;
    const std::string fallback = key.kind == ValueKind::seven ? "seven times 1.0"
                                 : key.kind == ValueKind::pair ? std::string(recoil_fallback)
                                                               : "the entry 0, 0";
    if (got != wanted) {
        falls_back = true;
        std::string why = "does not read as " + std::to_string(wanted) + " numbers joined by commas";
        if (value.find(" ,") != std::string::npos || value.find("\t,") != std::string::npos) {
            why += " (a blank before a comma ends the list)";
        } else if (got > 0) {
            why += " (it holds " + std::to_string(got) + ")";
        }
        return quote(value) + " " + why + ": it falls back to " + fallback;
    }
    const std::string rest = consumed >= 0 ? trimmed(value.substr(static_cast<std::size_t>(consumed))) : "";
    if (!rest.empty()) {
        return quote(value) + " reads as its first " + std::to_string(wanted) + " numbers; the rest " + quote(rest) +
               " is ignored" + comment_hint(rest);
    }
    return std::nullopt;
}

std::optional<std::string> text_oddity(const std::string& value) {
    if (value.empty()) return std::string("the name is empty: no effect of that name exists");
    const std::size_t comment = value.find_first_of(";#");
    if (comment != std::string::npos) {
        return "the name is " + quote(value) + " as a whole: a comment after a value is part of the value";
    }
    if (value.front() == '"' || value.front() == '\'') return "quotes stay part of the name " + quote(value);
    if (value.find_first_of(" \t") != std::string::npos) return "the name " + quote(value) + " holds a blank";
    return std::nullopt;
}

// A shooter switch that is neither 0 nor 1.
std::optional<std::string> switch_oddity(const std::string& value, const KnownKey& key) {
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (number == 0 || number == 1) return std::nullopt;
    std::string message = quote(value) + " is kept as " + std::to_string(number) + ", and only exactly 1 counts as on";
    if (key.key == "enable_explosion" && key.section == "NPC") {
        message += ": the scan still evaluates NPCs (it skips them only for 0), but their blasts, effects and base "
                   "degradation need 1";
    }
    return message;
}

std::string problem_text(const std::string& file, const CheckProblem& p) {
    return file + (p.line > 0 ? ":" + std::to_string(p.line) : std::string()) + ": " + p.message;
}

}  // namespace

CheckReport check_ini(const std::filesystem::path& file) {
    const std::string text = read_file(file, "INI file");
    const Scan scan = scan_lines(text);
    CheckReport report;
    report.problems = scan.problems;

    // The reader the loader uses, on the text the loader gives it.
    CSimpleIniA ini;
    const std::string cleaned = drop_unclosed_section_lines(text);
    if (!cleaned.empty()) ini.LoadData(cleaned.data(), cleaned.size());

    // The values the plugin makes of it, from the plugin's own loader.
    standin::reset_plugin_globals();
    {
        ScratchWorkingDirectory scratch(std::filesystem::absolute(file));
        load_settings();
    }

    const auto last_line_of = [&](const std::string& section, const std::string& key) {
        int line = 0;
        for (const KeyLine& k : scan.keys) {
            if (same_name(k.section, section) && same_name(k.key, key)) line = k.line;
        }
        return line;
    };

    for (const KnownKey& key : known_keys()) {
        CheckedSetting s;
        s.section = key.section;
        s.key = key.key;
        s.value = key.effective();
        const char* value = ini.GetValue(key.section.c_str(), key.key.c_str(), nullptr);
        if (value == nullptr) {
            s.source = "default";
            report.settings.push_back(s);
            continue;
        }
        s.source = "file";
        s.line = last_line_of(key.section, key.key);
        const std::string v = value;
        std::optional<std::string> oddity;
        bool falls_back = false;
        switch (key.kind) {
            case ValueKind::real:
            case ValueKind::flag:
                oddity = number_oddity(v, key);
                break;
            case ValueKind::integer:
                oddity = number_oddity(v, key);
                if (!oddity && key.switch_of_shooter) oddity = switch_oddity(v, key);
                break;
            case ValueKind::text:
                oddity = text_oddity(v);
                break;
            case ValueKind::pair:
            case ValueKind::seven:
            case ValueKind::base_pair:
                oddity = list_oddity(v, key, falls_back);
                break;
        }
        if (falls_back) s.source = "fallback";
        if (oddity) report.problems.push_back({s.line, "[" + key.section + "] " + key.key + ": " + *oddity});
        report.settings.push_back(s);
    }

    // Thresholds of exactly 1 (or above) leave no room above them.
    for (const char* weapon : tuned_weapon_classes) {
        const std::string w = weapon;
        const struct {
            const char* section;
            std::string key;
            float value;
            const char* what;
        } thresholds[] = {
            {"Min_Dirt_To_Explode", w + "_min_dirt", class_tuning.min_dirt[w], "dirt"},
            {"Min_Degradation_To_Explode", w + "_min_degradation", class_tuning.min_degradation[w], "degradation"},
        };
        for (const auto& t : thresholds) {
            const int line = last_line_of(t.section, t.key);
            if (t.value == 1.0f) {
                report.problems.push_back(
                    {line, std::string("[") + t.section + "] " + t.key +
                               ": 1 divides by zero (the excess over it is divided by 1 - 1): the " + t.what +
                               " term is always 0, so this class never explodes" +
                               (std::strcmp(t.what, "degradation") == 0 ? " and cracks only at the 0.002 floor" : "")});
            } else if (t.value > 1.0f) {
                report.problems.push_back(
                    {line, std::string("[") + t.section + "] " + t.key +
                               ": above 1, the excess over it is divided by a negative number: the " + t.what +
                               " term grows as the weapon gets cleaner or newer"});
            }
        }
    }

    // The base-degradation list, entry by entry.
    const KnownKey base_key{base_degradation_section, "", ValueKind::base_pair, "", false, nullptr};
    for (const KeyLine& k : scan.keys) {
        if (!same_name(k.section, base_degradation_section)) continue;
        const char* value = ini.GetValue(base_degradation_section, k.key.c_str(), nullptr);
        if (value == nullptr || last_line_of(base_degradation_section, k.key) != k.line) continue;
        bool falls_back = false;
        if (const auto oddity = list_oddity(value, base_key, falls_back)) {
            report.problems.push_back({k.line, std::string("[") + base_degradation_section + "] " + k.key + ": " + *oddity});
        }
    }
    for (const BaseDegradationEntry& e : settings.base_degradation) {
        CheckedSetting s;
        s.section = base_degradation_section;
        s.key = e.weapon_name;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g, %g", static_cast<double>(e.low), static_cast<double>(e.high));
        s.value = buffer;
        s.line = last_line_of(base_degradation_section, e.weapon_name);
        const char* value = ini.GetValue(base_degradation_section, e.weapon_name.c_str(), nullptr);
        bool falls_back = false;
        if (value != nullptr) (void)list_oddity(value, base_key, falls_back);
        s.source = falls_back ? "fallback" : "file";
        report.settings.push_back(s);
    }

    // Sections and keys the plugin does not read.
    std::vector<std::string> all_keys;
    for (const KnownKey& k : known_keys()) all_keys.push_back(k.key);
    for (const SectionLine& s : scan.sections) {
        if (known_section(s.name) != nullptr) continue;
        std::string message = "unknown section [" + s.name + "]: the plugin never reads it";
        if (const auto near = nearest(s.name, known_sections())) message += "; did you mean [" + *near + "]?";
        report.problems.push_back({s.line, message});
    }
    std::map<std::string, const KeyLine*> seen;
    for (const KeyLine& k : scan.keys) {
        const std::string* section = known_section(k.section);
        if (section == nullptr) continue;
        const std::string id = lower(*section) + "\n" + lower(k.key);
        if (const auto it = seen.find(id); it != seen.end()) {
            report.problems.push_back({it->second->line, "[" + *section + "] " + it->second->key +
                                                             ": given again at line " + std::to_string(k.line) +
                                                             ", whose value counts"});
        }
        seen[id] = &k;
        if (*section == base_degradation_section) continue;
        std::vector<std::string> section_keys;
        const KnownKey* match = nullptr;
        for (const KnownKey& known : known_keys()) {
            if (known.section != *section) continue;
            section_keys.push_back(known.key);
            if (same_name(known.key, k.key)) match = &known;
        }
        if (match != nullptr) continue;
        std::string message = "[" + *section + "] unknown key " + quote(k.key) + ": the plugin never reads it";
        const KnownKey* elsewhere = nullptr;
        for (const KnownKey& known : known_keys()) {
            if (same_name(known.key, k.key)) elsewhere = &known;
        }
        if (elsewhere != nullptr) {
            message += "; it belongs in [" + elsewhere->section + "]";
        } else if (const auto near = nearest(k.key, section_keys)) {
            message += "; did you mean " + quote(*near) + "?";
        } else if (const auto far = nearest(k.key, all_keys)) {
            for (const KnownKey& known : known_keys()) {
                if (known.key == *far) {
                    message += "; did you mean " + quote(*far) + " in [" + known.section + "]?";
                    break;
                }
            }
        }
        report.problems.push_back({k.line, message});
    }

    std::stable_sort(report.problems.begin(), report.problems.end(),
                     [](const CheckProblem& a, const CheckProblem& b) { return a.line < b.line; });
    return report;
}

int check_command(const std::filesystem::path& file, std::ostream& out, std::ostream& err) {
    CheckReport report;
    try {
        report = check_ini(file);
    } catch (const ToolError& error) {
        err << "barrelburst-sim check: " << error.what() << "\n";
        return 2;
    }
    out << "barrelburst-sim check: " << file.string() << "\n";
    out << "Effective settings, as the plugin reads the file (source: file with its line, default, or the "
           "fallback of a list that does not read):\n";
    std::string section;
    for (const CheckedSetting& s : report.settings) {
        if (s.section != section) {
            section = s.section;
            out << "[" << section << "]\n";
        }
        char buffer[512];
        const std::string source = s.line > 0 ? s.source + ", line " + std::to_string(s.line) : s.source;
        std::snprintf(buffer, sizeof buffer, "  %-37s %-34s %s\n", s.key.c_str(), s.value.c_str(), source.c_str());
        out << buffer;
    }
    if (section != base_degradation_section) out << "[" << base_degradation_section << "]\n  (no entries)\n";

    const std::string name = file.string();
    if (report.problems.empty()) {
        out << "\nNothing flagged.\n";
        return 0;
    }
    out << "\nFlagged (" << report.problems.size() << "):\n";
    for (const CheckProblem& p : report.problems) out << "  " << problem_text(name, p) << "\n";
    return 1;
}

}  // namespace sim
