#include "menu/menu_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "config/settings_text.h"

namespace {

std::array<std::vector<int>, settings_section_count> make_section_names() {
    std::array<std::vector<int>, settings_section_count> by_section;
    for (int s = 0; s < settings_section_count; ++s) {
        // The key table's order: row by row, each row's names in turn.
        for (const SettingKey& row : settings_table) {
            for (const SettingName& name : all_setting_names()) {
                if (name.row == &row && name.section == settings_sections[s].name) {
                    by_section[static_cast<std::size_t>(s)].push_back(name.index);
                }
            }
        }
    }
    return by_section;
}

}  // namespace

const std::vector<int>& section_names(int section) {
    static const std::array<std::vector<int>, settings_section_count> by_section = make_section_names();
    return by_section[static_cast<std::size_t>(section)];
}

void prepare_section_names() { section_names(0); }

const SettingKey& listed_row(int section) {
    for (const SettingKey& row : settings_table) {
        if (row.scope == KeyScope::any_key && std::strcmp(row.section, settings_sections[section].name) == 0) {
            return row;
        }
    }
    return settings_table.back();
}

int row_count(const MenuLevel& level) {
    switch (level.page) {
        case MenuPage::top:
            return top_rows;
        case MenuPage::section:
            if (settings_sections[level.section].listed) return static_cast<int>(settings.base_degradation.size());
            return static_cast<int>(section_names(level.section).size());
        case MenuPage::list:
            return stored_value(all_setting_names()[static_cast<std::size_t>(level.name)]).list_size;
    }
    return 0;
}

const SettingName* row_name(const MenuLevel& level, int row) {
    if (level.page != MenuPage::section || settings_sections[level.section].listed) return nullptr;
    const std::vector<int>& names = section_names(level.section);
    if (row < 0 || row >= static_cast<int>(names.size())) return nullptr;
    return &all_setting_names()[static_cast<std::size_t>(names[static_cast<std::size_t>(row)])];
}

void format_number(char* out, std::size_t room, float value) {
    // Fixed notation with as few decimals as read back exactly, else the
    // nine significant digits that always do.
    for (int decimals = 0; decimals <= 9; ++decimals) {
        const int length = std::snprintf(out, room, "%.*f", decimals, static_cast<double>(value));
        if (length > 0 && static_cast<std::size_t>(length) < room && std::strtof(out, nullptr) == value) return;
    }
    std::snprintf(out, room, "%.9g", static_cast<double>(value));
}

namespace {

void format_list(char* out, std::size_t room, const SettingValue& value) {
    std::size_t used = 0;
    out[0] = 0;
    for (int i = 0; i < value.list_size && used + 1 < room; ++i) {
        if (i > 0) out[used++] = ',';
        format_number(out + used, room - used, value.list[static_cast<std::size_t>(i)]);
        used += std::strlen(out + used);
    }
    out[used < room ? used : room - 1] = 0;
}

}  // namespace

void format_value(char* out, std::size_t room, const SettingValue& value) {
    switch (value.kind) {
        case ValueKind::number:
            format_number(out, room, value.number);
            return;
        case ValueKind::flag:
            std::snprintf(out, room, "%s", value_on(value) ? "on" : "off");
            return;
        case ValueKind::exact_switch:
            if (value.whole == 0 || value.whole == 1) {
                std::snprintf(out, room, "%s", value_on(value) ? "on" : "off");
            } else {
                std::snprintf(out, room, "off (%d)", value.whole);
            }
            return;
        case ValueKind::whole_number:
            std::snprintf(out, room, "%d", value.whole);
            return;
        case ValueKind::text:
            std::snprintf(out, room, "%s", value.text);
            return;
        case ValueKind::pair:
        case ValueKind::seven:
            format_list(out, room, value);
            return;
    }
}

void format_file_value(char* out, std::size_t room, const SettingValue& value) {
    switch (value.kind) {
        case ValueKind::flag:
        case ValueKind::exact_switch:
            std::snprintf(out, room, "%d", value_on(value) ? 1 : 0);
            return;
        default:
            format_value(out, room, value);
            return;
    }
}

SliderSpan span_in_file(const SettingName& name, int element) {
    const SettingValue& value = settings_text.file_values[static_cast<std::size_t>(name.index)];
    const bool list = value.kind == ValueKind::pair || value.kind == ValueKind::seven;
    return slider_span(*name.row, list ? value.list[static_cast<std::size_t>(element)] : value.number);
}
