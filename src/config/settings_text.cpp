#include "config/settings_text.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include <SimpleIni.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "config/ini_edit.h"
#include "config/ini_text.h"
#include "config/settings.h"

SettingsText settings_text;

namespace {

std::string_view written_or_default(const std::string& text, const SettingName& name) {
    return written_value(text, name.section, name.key).value_or(std::string_view(name.row->default_text));
}

// What the file's text gives each key, and which keys the edited text gives
// another value.
void compare_texts() {
    settings_text.differs = {};
    if (!settings_edited()) return;
    for (const SettingName& name : all_setting_names()) {
        settings_text.differs[static_cast<std::size_t>(name.index)] =
            written_or_default(settings_text.edited_text, name) != written_or_default(settings_text.file_text, name);
    }
}

void take_file_values() {
    std::vector<SettingValue>& values = settings_text.file_values;
    values.clear();
    for (const SettingName& name : all_setting_names()) {
        // NUL-terminated for the number readers; a longer text holds nothing
        // that changes the numbers it starts with.
        const std::string_view written = written_or_default(settings_text.file_text, name);
        char text[256];
        const std::size_t length = written.size() < sizeof text ? written.size() : sizeof text - 1;
        std::memcpy(text, written.data(), length);
        text[length] = 0;
        SettingValue value = value_of_text(*name.row, text);
        value.text = "";
        values.push_back(value);
    }
}

// The settings in force built from the edited text.
void build_settings(SettingsTextOrigin origin) {
    load_settings_from_text(settings_text.edited_text);
    settings_text.edited_origin = origin;
    ++settings_text.generation;
    compare_texts();
}

bool write_whole(const char* name, const std::string& text) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

bool replace_file(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

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


void take_settings_file_text(std::string text) {
    settings_text.file_text = std::move(text);
    settings_text.file_origin = SettingsTextOrigin::read;
    settings_text.edited_text = settings_text.file_text;
    ++settings_text.file_reads;
    take_file_values();
    build_settings(SettingsTextOrigin::read);
}

void apply_settings_edit(std::string_view section, std::string_view key, std::string_view value) {
    settings_text.edited_text = with_value(settings_text.edited_text, section, key, value);
    build_settings(SettingsTextOrigin::edited);
}

void undo_settings_edits() {
    if (!settings_edited()) return;
    settings_text.edited_text = settings_text.file_text;
    build_settings(settings_text.file_origin);
}

bool settings_edited() { return settings_text.edited_text != settings_text.file_text; }

bool save_settings_edits() {
    if (!write_whole(settings_save_file_name, settings_text.edited_text) ||
        !replace_file(settings_save_file_name, settings_file_name)) {
        std::remove(settings_save_file_name);
        return false;
    }
    settings_text.file_text = settings_text.edited_text;
    settings_text.file_origin = SettingsTextOrigin::saved;
    ++settings_text.saves;
    take_file_values();
    compare_texts();
    return true;
}
