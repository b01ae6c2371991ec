#include "config/settings_loader.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>

#include <SimpleIni.h>

#include "config/ini_text.h"
#include "config/settings.h"
#include "config/settings_table.h"

namespace {

// Every key of the section becomes an entry, in the reader's key order.
void load_base_degradation(const CSimpleIniA& ini, const SettingKey& row) {
    const CSimpleIniA::TKeyVal* section = ini.GetSection(row.section);
    if (section == nullptr) return;
    for (const auto& [key, text] : *section) {
        const SettingValue range = value_of_text(row, text);
        settings.base_degradation.push_back({key.pItem, range.list[0], range.list[1]});
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

