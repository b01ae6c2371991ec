#include "menu/menu_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/overloaded.h"
#include "config/ini_edit.h"
#include "config/settings.h"
#include "config/settings_edit.h"

namespace {

struct MenuRows {
    std::vector<SettingName> names;
    std::array<std::vector<int>, settings_sections.size()> by_section;
};

const MenuRows& menu_rows() {
    static const MenuRows rows = [] {
        MenuRows built;
        built.names = all_setting_names();
        for (std::size_t s = 0; s < settings_sections.size(); ++s) {
            // The key table's order: row by row, each row's names in turn.
            for (const SettingKey& row : settings_table) {
                for (std::size_t n = 0; n < built.names.size(); ++n) {
                    const SettingName& name = built.names[n];
                    if (name.row == &row && name.section == settings_sections[s]) {
                        built.by_section[s].push_back(static_cast<int>(n));
                    }
                }
            }
        }
        return built;
    }();
    return rows;
}

template <typename Map>
auto* find_in(Map& table, const char* key) {
    const auto found = table.find(key);
    return found == table.end() ? nullptr : &found->second;
}

}  // namespace

const std::vector<SettingName>& menu_names() { return menu_rows().names; }

const std::vector<int>& section_names(int section) {
    return menu_rows().by_section[static_cast<std::size_t>(section)];
}

bool listed_section(int section) {
    return std::strcmp(settings_sections[static_cast<std::size_t>(section)], "Base_Degradation") == 0;
}

int row_count(const MenuLevel& level) {
    switch (level.page) {
        case MenuPage::top:
            return top_rows;
        case MenuPage::section:
            if (listed_section(level.section)) return static_cast<int>(settings.base_degradation.size());
            return static_cast<int>(section_names(level.section).size());
        case MenuPage::list:
            return value_of(menu_names()[static_cast<std::size_t>(level.name)]).list_size;
    }
    return 0;
}

const SettingName* row_name(const MenuLevel& level, int row) {
    if (level.page != MenuPage::section || listed_section(level.section)) return nullptr;
    const std::vector<int>& names = section_names(level.section);
    if (row < 0 || row >= static_cast<int>(names.size())) return nullptr;
    return &menu_names()[static_cast<std::size_t>(names[static_cast<std::size_t>(row)])];
}

MenuValue value_of(const SettingName& name) {
    MenuValue value;
    value.kind = name.row->kind;
    const auto set_list = [&value](const float* numbers, int count) {
        value.list_size = count;
        for (int i = 0; i < count; ++i) value.list[static_cast<std::size_t>(i)] = numbers[i];
    };
    std::visit(Overloaded{
                   [&](float ModSettings::*field) { value.number = settings.*field; },
                   [&](bool ModSettings::*field) { value.number = (settings.*field) ? 1.0f : 0.0f; },
                   [&](std::string ModSettings::*field) { value.text = (settings.*field).c_str(); },
                   [&](std::vector<BaseDegradationEntry> ModSettings::*) {},
                   [&](std::unordered_map<std::string, RecoilRange> ClassTuning::*table) {
                       if (const RecoilRange* range = find_in(class_tuning.*table, name.instance)) {
                           const float numbers[] = {range->low, range->high};
                           set_list(numbers, 2);
                       }
                   },
                   [&](std::unordered_map<std::string, RecoilModifiers> ClassTuning::*table) {
                       if (const RecoilModifiers* numbers = find_in(class_tuning.*table, name.instance)) {
                           set_list(numbers->data(), 7);
                       }
                   },
                   [&](std::map<std::string, float> ClassTuning::*table) {
                       if (const float* number = find_in(class_tuning.*table, name.instance)) value.number = *number;
                   },
                   [&](std::map<std::string, int> ClassTuning::*table) {
                       if (const int* whole = find_in(class_tuning.*table, name.instance)) value.whole = *whole;
                   },
                   [&](std::map<std::string, float> ShooterTuning::*table) {
                       if (const float* number = find_in(shooter_tuning.*table, name.instance)) value.number = *number;
                   },
                   [&](std::map<std::string, int> ShooterTuning::*table) {
                       if (const int* whole = find_in(shooter_tuning.*table, name.instance)) value.whole = *whole;
                   },
               },
               name.row->store);
    // A list whose class the tables lack reads as its fallback (the loader fills every class).
    if ((value.kind == ValueKind::pair || value.kind == ValueKind::seven) && value.list_size == 0) {
        value.list_size = value.kind == ValueKind::pair ? 2 : 7;
    }
    return value;
}

bool value_on(const MenuValue& value) {
    if (value.kind == ValueKind::exact_switch) return value.whole == 1;
    return value.number != 0.0f;
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

void format_list(char* out, std::size_t room, const MenuValue& value) {
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

void format_value(char* out, std::size_t room, const MenuValue& value) {
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

void format_file_value(char* out, std::size_t room, const MenuValue& value) {
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

MenuValue file_value_of(const SettingName& name) {
    const std::string_view written = written_value(settings_file_text, name.section, name.key)
                                         .value_or(std::string_view(name.row->default_text));
    // The reader's text, NUL-terminated for the number readers (a longer
    // text holds nothing that changes the numbers it starts with).
    char text[256];
    const std::size_t length = written.size() < sizeof text ? written.size() : sizeof text - 1;
    std::memcpy(text, written.data(), length);
    text[length] = 0;
    MenuValue value;
    value.kind = name.row->kind;
    if (value.kind == ValueKind::pair) {
        RecoilRange pair{};
        if (!scan_pair(text, pair)) scan_pair(fallback_of(*name.row), pair);
        value.list = {pair.low, pair.high};
        value.list_size = 2;
    } else if (value.kind == ValueKind::seven) {
        RecoilModifiers numbers{};
        if (!scan_seven(text, numbers)) scan_seven(fallback_of(*name.row), numbers);
        std::copy(numbers.begin(), numbers.end(), value.list.begin());
        value.list_size = 7;
    } else {
        value.number = static_cast<float>(std::atof(text));
    }
    return value;
}

SliderSpan span_in_file(const SettingName& name, int element) {
    const MenuValue value = file_value_of(name);
    const bool list = value.kind == ValueKind::pair || value.kind == ValueKind::seven;
    return slider_span(*name.row, list ? value.list[static_cast<std::size_t>(element)] : value.number);
}
