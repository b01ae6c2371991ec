#pragma once
// What the menu's pages hold: the keys of each section in the key table's
// order, each key's value as the plugin reads it, and the texts a row shows.

#include <array>
#include <cstddef>
#include <vector>

#include "config/settings_table.h"
#include "menu/menu.h"

// Every named key of the key table, in the loader's order (built once, at
// the script's start).
const std::vector<SettingName>& menu_names();
// The keys of a section, as indexes into menu_names(), in the key table's order.
const std::vector<int>& section_names(int section);
// [Base_Degradation]: its rows are the file's entries, shown and not edited.
bool listed_section(int section);

// The top page: the sections, then Save, Undo and Close.
inline constexpr int top_save_row = static_cast<int>(settings_sections.size());
inline constexpr int top_undo_row = top_save_row + 1;
inline constexpr int top_close_row = top_save_row + 2;
inline constexpr int top_rows = top_save_row + 3;

int row_count(const MenuLevel& level);
// The key a section page's row stands for (nullptr on a listed section).
const SettingName* row_name(const MenuLevel& level, int row);

// A key's value as the plugin holds it.
struct MenuValue {
    ValueKind kind = ValueKind::number;
    float number = 0.0f;  // number, flag (0 or 1)
    int whole = 0;        // whole number, exact switch
    const char* text = "";
    std::array<float, 7> list{};
    int list_size = 0;  // pair: 2, seven: 7
};
MenuValue value_of(const SettingName& name);
// Whether a switch or flag counts as on.
bool value_on(const MenuValue& value);

// The fewest digits that read back as the number: 0.34, not 0.340000004.
void format_number(char* out, std::size_t room, float value);
// A value as a row shows it: a number, "on" or "off", a whole number, the
// text, a list "1,2".
void format_value(char* out, std::size_t room, const MenuValue& value);
// A value as the file writes it (a switch as 1 or 0).
void format_file_value(char* out, std::size_t room, const MenuValue& value);

// A number or list key's value as the file gives it to the loader.
MenuValue file_value_of(const SettingName& name);
// A number key's span (the tuner page's slider) at the file's value of the
// key (or of the list's element), so that steps do not change under an edit.
SliderSpan span_in_file(const SettingName& name, int element);
