#include "check/check.h"

#include <SimpleIni.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "check/check_parts.h"
#include "config/ini_text.h"
#include "config/settings_text.h"
#include "host/plugin_state.h"
#include "shared/files.h"
#include "config/ini_names.h"
#include "shared/platform.h"

namespace sim {

namespace {

// A value as the report writes it; "(none)" where the plugin holds none.
std::string stored_text(const SettingName& name) {
    const SettingValue value = stored_value(name);
    if (!value.held) return "(none)";
    std::string list;
    switch (value.kind) {
        case ValueKind::number: return number_text(value.number);
        case ValueKind::flag: return value_on(value) ? "on" : "off";
        case ValueKind::exact_switch:
        case ValueKind::whole_number: return std::to_string(value.whole);
        case ValueKind::text: return value.text;
        case ValueKind::pair:
        case ValueKind::seven:
            for (int i = 0; i < value.list_size; ++i) {
                list += (i > 0 ? ", " : "") + number_text(value.list[static_cast<std::size_t>(i)]);
            }
            break;
    }
    return list;
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
    const SettingSection* section = section_named(name);
    return section != nullptr ? section->name : nullptr;
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
    static const std::vector<NameForm> forms = [] {
        std::vector<NameForm> made;
        for (const SettingSection& section : settings_sections) made.push_back(form_of(section.name));
        return made;
    }();
    for (const SectionLine& s : lines) {
        if (canonical_section(s.name) != nullptr) continue;
        const auto near = nearest(form_of(s.name), forms, false);
        findings.push_back(finding(s.line, s.name, "", Severity::error,
                                   "unknown section [" + s.name + "]: the plugin never reads it",
                                   near ? "did you mean [" + std::string(settings_sections[*near].name) + "]?" : ""));
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
    for (const SettingSection& s : settings_sections) add_section(s.name);
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
    const std::vector<SettingName>& names = all_setting_names();
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

}  // namespace sim
