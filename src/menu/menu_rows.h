#pragma once
// What the menu's pages hold: the keys of each section in the key table's
// order, each key's value as the plugin holds it, and the texts a row shows.

#include <cstddef>
#include <vector>

#include "config/settings_table.h"
#include "menu/menu.h"

// The keys of a section, as indexes into all_setting_names(), in the key
// table's order (built once, at the script's start).
const std::vector<int>& section_names(int section);
void prepare_section_names();
// The row of the key table a listed section's entries stand for.
const SettingKey& listed_row(int section);

// The top page: the sections, then Save, Undo and Close.
inline constexpr int top_save_row = settings_section_count;
inline constexpr int top_undo_row = top_save_row + 1;
inline constexpr int top_rows = top_save_row + 3;

int row_count(const MenuLevel& level);
// The key a section page's row stands for (nullptr on a listed section).
const SettingName* row_name(const MenuLevel& level, int row);

// The fewest digits that read back as the number: 0.34, not 0.340000004.
void format_number(char* out, std::size_t room, float value);
// A value as a row shows it: a number, "on" or "off", a whole number, the
// text, a list "1,2".
void format_value(char* out, std::size_t room, const SettingValue& value);
// A value as the file writes it (a switch as 1 or 0).
void format_file_value(char* out, std::size_t room, const SettingValue& value);

// A number key's span (the tuner page's slider) at the file's value of the
// key (or of the list's element), so that steps do not change under an edit.
SliderSpan span_in_file(const SettingName& name, int element);
