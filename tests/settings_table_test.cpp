// The shipped Barrelburst.ini and the configuration reference list exactly
// the keys of the settings table, each with the table's default text.

// SimpleIni as the plugin builds it: no character-set conversion.
#define SI_NO_CONVERSION
#define SI_NO_MBCS
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <gmock/gmock.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_table.h"

namespace {

const char* const shipped_ini = "release/Barrelburst.ini";
const char* const reference = "docs/configuration.md";

std::string source_text(const char* relative) {
    std::ifstream in(std::filesystem::path(BB_SOURCE_DIR) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A key as the files name it, mapped to the default text they give it.
using Listing = std::map<std::string, std::string>;

// Whatever differs between what a file lists and what the table holds, one
// line per key, naming the file and the key.
std::vector<std::string> differences(const char* file, const Listing& wanted, const Listing& found) {
    std::vector<std::string> out;
    for (const auto& [key, default_text] : wanted) {
        const auto it = found.find(key);
        if (it == found.end()) {
            out.push_back(std::string(file) + ": " + key + " is missing (default '" + default_text + "')");
        } else if (it->second != default_text) {
            out.push_back(std::string(file) + ": " + key + " gives '" + it->second + "', the default is '" +
                          default_text + "'");
        }
    }
    for (const auto& [key, text] : found) {
        if (!wanted.contains(key)) out.push_back(std::string(file) + ": " + key + " is not a key of the table");
    }
    return out;
}

std::string bracketed(const std::string& section) { return "[" + section + "]"; }

// "[A]", then "[A] and [B]": how the reference heads a table of several sections.
void add_section(std::string& sections, const std::string& section) {
    sections += (sections.empty() ? "" : " and ") + section;
}

TEST(SettingsTableDrift, ShippedIniHoldsEveryKeyOfTheTableAtItsDefaultAndNoOther) {
    const std::string text = source_text(shipped_ini);
    ASSERT_FALSE(text.empty()) << shipped_ini << " not found under " << BB_SOURCE_DIR;

    Listing wanted;
    for (const SettingName& name : all_setting_names()) {
        wanted[bracketed(name.section) + " " + name.key] = name.row->default_text;
    }

    // Repeated keys kept, so that a key listed twice shows.
    CSimpleIniA ini(false, true);
    ASSERT_EQ(ini.LoadData(text.data(), text.size()), SI_OK);
    std::set<std::string> open_sections;  // the sections whose every key is an entry
    for (const SettingKey& row : settings_table) {
        if (row.scope == KeyScope::any_key) open_sections.insert(row.section);
    }
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    Listing found;
    std::vector<std::string> problems;
    for (const CSimpleIniA::Entry& section : sections) {
        for (const auto& [key, value] : *ini.GetSection(section.pItem)) {
            const std::string name = bracketed(section.pItem) + " " + key.pItem;
            if (open_sections.contains(section.pItem)) {
                problems.push_back(std::string(shipped_ini) + ": " + name + " is active; the section ships empty");
                continue;
            }
            if (found.contains(name)) {
                problems.push_back(std::string(shipped_ini) + ": " + name + " is listed twice");
            }
            found[name] = value;
        }
    }
    for (std::string& problem : differences(shipped_ini, wanted, found)) problems.push_back(std::move(problem));
    EXPECT_THAT(problems, ::testing::IsEmpty());
}

// How the reference names a row: its section, or both shooter sections, and
// its key, with <class> standing for the weapon class.
std::string reference_name(const SettingKey& row) {
    std::string sections;
    if (row.scope == KeyScope::per_shooter) {
        for (const char* kind : shooter_kinds) add_section(sections, bracketed(kind));
    } else {
        sections = bracketed(row.section);
    }
    return sections + " " + (row.scope == KeyScope::per_class ? "<class>" : "") + row.key;
}

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line.substr(1));
    for (std::string cell; std::getline(in, cell, '|');) {
        const std::size_t first = cell.find_first_not_of(' ');
        const std::size_t last = cell.find_last_not_of(' ');
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return cells;
}

std::string unquoted(const std::string& cell) {
    return cell.size() >= 2 && cell.front() == '`' && cell.back() == '`' ? cell.substr(1, cell.size() - 2) : cell;
}

// The key tables of the reference: under a "### [Section]" heading (or one
// naming several sections), the tables whose header has a key and a default
// column, and a section column where the heading names none.
struct ReferenceKeys {
    Listing keys;
    std::vector<std::string> problems;
};

ReferenceKeys reference_keys(const std::string& text) {
    ReferenceKeys out;
    std::istringstream in(text);
    std::string heading_sections;
    std::map<std::string, std::size_t> columns;  // of the current key table; empty outside one
    std::size_t width = 0;
    bool in_table = false;
    bool in_code = false;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.starts_with("```")) in_code = !in_code;
        if (in_code) continue;
        const std::string where = std::string(reference) + ":" + std::to_string(number) + ": ";
        if (line.starts_with("#")) {
            heading_sections.clear();
            for (std::size_t open = line.find('['); open != std::string::npos; open = line.find('[', open + 1)) {
                const std::size_t close = line.find(']', open);
                if (close == std::string::npos) break;
                add_section(heading_sections, line.substr(open, close - open + 1));
            }
        }
        if (!line.starts_with("|")) {
            in_table = false;
            continue;
        }
        const std::vector<std::string> cells = cells_of(line);
        if (!in_table) {
            in_table = true;
            columns.clear();
            for (std::size_t i = 0; i < cells.size(); ++i) columns[cells[i]] = i;
            width = cells.size();
            if (!columns.contains("key") || !columns.contains("default")) columns.clear();
            continue;
        }
        if (columns.empty() || line.starts_with("|---")) continue;
        if (cells.size() != width) {
            out.problems.push_back(where + "a key row of " + std::to_string(cells.size()) + " cells in a table of " +
                                   std::to_string(width));
            continue;
        }
        const std::string key = unquoted(cells[columns["key"]]);
        const std::string sections =
            columns.contains("section") ? unquoted(cells[columns["section"]]) : heading_sections;
        if (sections.empty()) {
            out.problems.push_back(where + key + " stands under no section");
            continue;
        }
        const std::string name = sections + " " + key;
        if (out.keys.contains(name)) out.problems.push_back(where + name + " is listed twice");
        out.keys[name] = cells[columns["default"]];
    }
    return out;
}

TEST(SettingsTableDrift, ConfigurationReferenceListsEveryRowOfTheTableWithItsDefault) {
    const std::string text = source_text(reference);
    ASSERT_FALSE(text.empty()) << reference << " not found under " << BB_SOURCE_DIR;

    Listing wanted;
    for (const SettingKey& row : settings_table) wanted[reference_name(row)] = row.default_text;
    ReferenceKeys found = reference_keys(text);
    for (std::string& problem : differences(reference, wanted, found.keys)) found.problems.push_back(problem);
    EXPECT_THAT(found.problems, ::testing::IsEmpty());
}

}  // namespace
