#include "config/settings.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

#include <SimpleIni.h>

#include "common/overloaded.h"
#include "config/ini_text.h"
#include "config/settings_table.h"

ModSettings settings;
ClassTuning class_tuning;
ShooterTuning shooter_tuning;

namespace {

// A list as the row reads it: the numbers of the text, or else of the row's fallback.
template <typename Numbers>
Numbers list_of(const SettingKey& row, const char* text, bool (*scan)(const char*, Numbers&)) {
    Numbers numbers{};
    if (!scan(text, numbers)) scan(fallback_of(row), numbers);
    return numbers;
}

// Converts the text of a key as its kind says and stores the value where the row says.
void store_value(const SettingName& name, const char* text) {
    const SettingKey& row = *name.row;
    std::visit(Overloaded{
                   [&](float ModSettings::*field) { settings.*field = static_cast<float>(std::atof(text)); },
                   [&](bool ModSettings::*field) { settings.*field = std::atoi(text) != 0; },
                   [&](std::string ModSettings::*field) { settings.*field = text; },
                   [&](std::vector<BaseDegradationEntry> ModSettings::*) {},
                   [&](std::unordered_map<std::string, RecoilRange> ClassTuning::*table) {
                       (class_tuning.*table)[name.instance] = list_of(row, text, scan_pair);
                   },
                   [&](std::unordered_map<std::string, RecoilModifiers> ClassTuning::*table) {
                       (class_tuning.*table)[name.instance] = list_of(row, text, scan_seven);
                   },
                   [&](std::map<std::string, float> ClassTuning::*table) {
                       (class_tuning.*table)[name.instance] = static_cast<float>(std::atof(text));
                   },
                   [&](std::map<std::string, int> ClassTuning::*table) {
                       (class_tuning.*table)[name.instance] = std::atoi(text);
                   },
                   [&](std::map<std::string, float> ShooterTuning::*table) {
                       (shooter_tuning.*table)[name.instance] = static_cast<float>(std::atof(text));
                   },
                   [&](std::map<std::string, int> ShooterTuning::*table) {
                       (shooter_tuning.*table)[name.instance] = std::atoi(text);
                   },
               },
               row.store);
}

// Every key of the section becomes an entry, in the reader's key order.
void load_base_degradation(const CSimpleIniA& ini, const SettingKey& row) {
    const CSimpleIniA::TKeyVal* section = ini.GetSection(row.section);
    if (section == nullptr) return;
    for (const auto& [key, value] : *section) {
        const RecoilRange range = list_of(row, value, scan_pair);
        settings.base_degradation.push_back({key.pItem, range.low, range.high});
    }
}

}  // namespace

std::optional<std::string> read_settings_file() {
    std::FILE* file = std::fopen(settings_file_name, "rb");
    if (file == nullptr) return std::nullopt;
    std::optional<std::string> text;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size == 0) {
            text.emplace();
        } else if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            try {
                std::string bytes(static_cast<std::size_t>(size), '\0');
                if (std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size()) text = std::move(bytes);
            } catch (const std::bad_alloc&) {
            } catch (const std::length_error&) {
                // A directory of that name can report a size of LONG_MAX.
            }
        }
    }
    std::fclose(file);
    return text;
}

void load_settings() { load_settings_from_text(read_settings_file().value_or(std::string())); }

void load_settings_from_text(std::string text) {
    settings.base_degradation.clear();

    CSimpleIniA ini;
    text = drop_unclosed_section_lines(std::move(text));
    if (!text.empty()) ini.LoadData(text.data(), text.size());

    for (const SettingName& name : all_setting_names()) {
        store_value(name, ini.GetValue(name.section.c_str(), name.key.c_str(), name.row->default_text));
    }
    for (const SettingKey& row : settings_table) {
        if (row.scope == KeyScope::any_key) load_base_degradation(ini, row);
    }
}

void release_effect_names() {
    std::string().swap(settings.fx_expo);
    std::string().swap(settings.fx_crack);
}
