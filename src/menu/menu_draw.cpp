#include "menu/menu_draw.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "common/numeric.h"
#include "config/key_names.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "host/natives.h"
#include "host/on_screen.h"
#include "menu/menu_rows.h"
#include "model/barrel.h"
#include "model/outcome_probability.h"
#include "model/ped_scan.h"
#include "model/shot_decision.h"

namespace {

// The panel on the right half of the screen (fractions of the screen; a
// box is placed by its centre, a text by its top left or, centred, its top
// middle). The banner stays at the upper left, the overlay at the left edge.
constexpr float panel_x = 0.75f;
constexpr float panel_y = 0.5f;
constexpr float panel_width = 0.44f;
constexpr float panel_height = 0.9f;
constexpr float name_x = 0.545f;
constexpr float value_x = 0.79f;
constexpr float title_y = 0.062f;
constexpr float first_row_y = 0.135f;  // the first row's middle
constexpr float row_pitch = 0.032f;
constexpr float row_box_width = 0.42f;
constexpr float row_box_height = 0.03f;
constexpr float row_text_above = 0.011f;  // from a row's middle to its text's top
constexpr float about_y = 0.648f;
constexpr float about_pitch = 0.024f;
// The foot: the gun in hand (three lines), then the shots (two) a little apart.
constexpr float gun_y = 0.772f;
constexpr float foot_pitch = 0.022f;
constexpr float shots_y = 0.845f;
constexpr float status_y = 0.9f;
constexpr float hint_y = 0.925f;

constexpr float title_scale = 0.5f;
constexpr float row_scale = 0.3f;
constexpr float about_scale = 0.26f;
constexpr float foot_scale = 0.25f;
constexpr float hint_scale = 0.24f;

// Characters of a line of the key's sentence before it wraps.
constexpr int about_line_length = 74;
constexpr int about_lines = 4;

bool section_differs(int section) {
    for (const int name : section_names(section)) {
        if (settings_text.differs[static_cast<std::size_t>(name)]) return true;
    }
    return false;
}

const char* title_of(const MenuLevel& level) {
    switch (level.page) {
        case MenuPage::top:
            return "Barrelburst";
        case MenuPage::section:
            return settings_sections[level.section].name;
        case MenuPage::list:
            return all_setting_names()[static_cast<std::size_t>(level.name)].key.c_str();
    }
    return "";
}

// A row's name and value as the page shows them.
void row_texts(const MenuLevel& level, int row, char (&name)[96], char (&value)[160]) {
    name[0] = 0;
    value[0] = 0;
    switch (level.page) {
        case MenuPage::top:
            if (row < top_save_row) {
                std::snprintf(name, sizeof name, "%s", settings_sections[row].name);
                if (section_differs(row)) std::snprintf(value, sizeof value, "changed *");
            } else if (row == top_save_row) {
                std::snprintf(name, sizeof name, "Save to Barrelburst.ini");
            } else if (row == top_undo_row) {
                std::snprintf(name, sizeof name, "Undo changes");
            } else {
                std::snprintf(name, sizeof name, "Close");
            }
            return;
        case MenuPage::section: {
            if (settings_sections[level.section].listed) {
                const BaseDegradationEntry& entry = settings.base_degradation[static_cast<std::size_t>(row)];
                std::snprintf(name, sizeof name, "%s", entry.weapon_name.c_str());
                SettingValue pair;
                pair.kind = ValueKind::pair;
                pair.list = {entry.low, entry.high};
                pair.list_size = 2;
                format_value(value, sizeof value, pair);
                return;
            }
            const SettingName* key = row_name(level, row);
            if (key == nullptr) return;
            std::snprintf(name, sizeof name, "%s", key->key.c_str());
            format_value(value, sizeof value, stored_value(*key));
            if (settings_text.differs[static_cast<std::size_t>(key->index)]) {
                std::strncat(value, " *", sizeof value - std::strlen(value) - 1);
            }
            return;
        }
        case MenuPage::list: {
            const SettingName& key = all_setting_names()[static_cast<std::size_t>(level.name)];
            const SettingValue list = stored_value(key);
            const auto element = static_cast<std::size_t>(row);
            std::snprintf(name, sizeof name, "%s", key.row->elements[element]);
            format_number(value, sizeof value, list.list[element]);
            if (settings_text.differs[static_cast<std::size_t>(key.index)] &&
                settings_text.file_values[static_cast<std::size_t>(key.index)].list[element] != list.list[element]) {
                std::strncat(value, " *", sizeof value - std::strlen(value) - 1);
            }
            return;
        }
    }
}

// The sentence wrapped at blanks into at most about_lines lines.
void draw_about(const char* sentence, float& y) {
    const char* rest = sentence;
    for (int line = 0; line < about_lines && *rest != 0; ++line) {
        int length = static_cast<int>(std::strlen(rest));
        if (length > about_line_length) {
            length = about_line_length;
            while (length > 0 && rest[length] != ' ') --length;
            if (length == 0) length = about_line_length;
        }
        char text[about_line_length + 2];
        std::memcpy(text, rest, static_cast<std::size_t>(length));
        text[length] = 0;
        // The key table's sentences are written to stand after a key's
        // name; on their own they start with a capital and end with a stop.
        if (rest == sentence && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
        const bool last = rest[length] == 0 || line + 1 == about_lines;
        if (last && length > 0 && text[length - 1] != '.' && text[length - 1] != '!') {
            text[length] = '.';
            text[length + 1] = 0;
        }
        draw_text(text, name_x, y, about_scale);
        y += about_pitch;
        rest += length;
        while (*rest == ' ') ++rest;
    }
}

void format_range(char* out, std::size_t room, const SettingKey& row, SliderSpan span) {
    char low[32];
    char high[32];
    char step[32];
    format_number(low, sizeof low, row.range.low);
    format_number(high, sizeof high, row.range.high);
    format_number(step, sizeof step, menu_step(span));
    if (std::isinf(row.range.high)) {
        std::snprintf(out, room, "Sensible range: %s and up. One step: %s.", low, step);
    } else {
        std::snprintf(out, room, "Sensible range: %s to %s%s. One step: %s.", low,
                      row.range.high_excluded ? "below " : "", high, step);
    }
}

// The selected row's sentence and how it is changed.
void draw_selected_about(const MenuLevel& level) {
    float y = about_y;
    char how[160];
    how[0] = 0;
    if (level.page == MenuPage::top) {
        const int row = level.selected;
        if (row < top_save_row) {
            draw_about(settings_sections[row].about, y);
            std::snprintf(how, sizeof how, "Enter: open.");
        } else if (row == top_save_row) {
            draw_about("Writes your changes into Barrelburst.ini. Only the changed lines change; every comment "
                       "and other line stays as it is.",
                       y);
        } else if (row == top_undo_row) {
            draw_about("Goes back to the values in Barrelburst.ini.", y);
        } else {
            draw_about("Closes the menu. Changes you have not saved stay in force until the game ends.", y);
        }
    } else if (level.page == MenuPage::section && settings_sections[level.section].listed) {
        draw_about(listed_row(level.section).meaning, y);
        std::snprintf(how, sizeof how, "Edit these entries in Barrelburst.ini.");
    } else {
        const SettingName* name = level.page == MenuPage::list
                                      ? &all_setting_names()[static_cast<std::size_t>(level.name)]
                                      : row_name(level, level.selected);
        if (name == nullptr) return;
        draw_about(name->row->meaning, y);
        const SettingKey& row = *name->row;
        switch (row.kind) {
            case ValueKind::number:
                format_range(how, sizeof how, row, span_in_file(*name, 0));
                break;
            case ValueKind::flag:
            case ValueKind::exact_switch:
                std::snprintf(how, sizeof how, "Left or Right: on or off.");
                break;
            case ValueKind::whole_number:
                std::snprintf(how, sizeof how, "Left or Right: one down or up.");
                break;
            case ValueKind::text:
                std::snprintf(how, sizeof how, "Edit this name in Barrelburst.ini.");
                break;
            case ValueKind::pair:
            case ValueKind::seven:
                if (level.page == MenuPage::list) {
                    format_range(how, sizeof how, row, span_in_file(*name, level.selected));
                } else {
                    std::snprintf(how, sizeof how, "Enter: change each number.");
                }
                break;
        }
    }
    if (how[0] != 0) draw_text(how, name_x, y, about_scale);
}

void format_chances(char* out, std::size_t room, const char* label, const ShotChances& chances, float degradation) {
    const OutcomeProbabilities p = outcome_probabilities(chances, degradation);
    char cracks[32];
    char explodes[32];
    format_one_in(cracks, sizeof cracks, p.crack);
    format_one_in(explodes, sizeof explodes, p.explosion);
    std::snprintf(out, room, "Next shot %s: cracks %s, explodes %s", label, cracks, explodes);
}

// The gun in the player's hands as the scan found it in this pass, and the
// chances of its next shot at the barrel's heat and cold as they stand.
void draw_your_gun() {
    const PlayerWeaponView& gun = player_weapon_view;
    const std::optional<TunedClass> tuned = tuned_class_of(gun.weapon_class);
    if (!tuned) {
        draw_text("Your gun: no known gun in your hands.", name_x, gun_y, foot_scale);
        return;
    }
    const float degradation = clamp(WEAPON::GET_WEAPON_DEGRADATION(gun.weapon_object), 0.0f, 1.0f);
    char line[160];
    std::snprintf(line, sizeof line, "Your gun: %s   dirt %.3f   wear %.3f   heat %.3f   cold %.3f", gun.weapon_class,
                  static_cast<double>(gun.dirt), static_cast<double>(degradation), static_cast<double>(barrel.barrel_heat),
                  static_cast<double>(barrel.barrel_cold));
    draw_text(line, name_x, gun_y, foot_scale);
    const BarrelFigures figures{barrel.barrel_heat, barrel.barrel_cold};
    format_chances(line, sizeof line, "as edited",
                   shot_chances(class_chance_tuning(gun.weapon_class), gun.dirt, degradation, figures,
                                settings.maximum_chance_for_explosion),
                   degradation);
    draw_text(line, name_x, gun_y + foot_pitch, foot_scale);
    format_chances(line, sizeof line, "as in the file",
                   shot_chances(menu.file_tuning[*tuned], gun.dirt, degradation, figures,
                                menu.file_cap),
                   degradation);
    draw_text(line, name_x, gun_y + 2.0f * foot_pitch, foot_scale);
}

// The class the shots at the foot are of: a selected per-class key's, else
// the gun in hand's; none: every class.
std::optional<TunedClass> shots_class(const MenuLevel& level) {
    const SettingName* name = nullptr;
    if (level.page == MenuPage::list) name = &all_setting_names()[static_cast<std::size_t>(level.name)];
    if (level.page == MenuPage::section) name = row_name(level, level.selected);
    if (name != nullptr && name->row->scope == KeyScope::per_class && name->instance != nullptr) {
        if (const std::optional<TunedClass> c = tuned_class_of(name->instance)) return c;
    }
    return tuned_class_of(player_weapon_view.weapon_class);
}

const char* counted(int count, const char* one, const char* many) { return count == 1 ? one : many; }

// The shots of the class the ring holds: as played, and as edited with the
// expected counts.
void draw_your_shots(const MenuLevel& level) {
    constexpr std::array<const char*, tuned_class_count> plural_names = {"Pistols", "Revolvers", "Rifles",
                                                                         "Sniper rifles", "Shotguns"};
    const std::optional<TunedClass> tuned = shots_class(level);
    const ShotTally& tally = tuned ? menu.shots.tallies[*tuned] : menu.shots.all;
    const char* name = tuned ? plural_names[static_cast<std::size_t>(*tuned)] : "All guns";
    char line[192];
    if (tally.shots == 0) {
        if (menu.shots.window < shot_record_capacity) {
            std::snprintf(line, sizeof line, "%s: no shots yet.", name);
        } else {
            std::snprintf(line, sizeof line, "%s: none of the last %d shots.", name, menu.shots.window);
        }
        draw_text(line, name_x, shots_y, foot_scale);
        return;
    }
    char played[96];
    std::snprintf(played, sizeof played, "played %d %s, %d %s;", tally.cracks, counted(tally.cracks, "crack", "cracks"),
                  tally.explosions, counted(tally.explosions, "explosion", "explosions"));
    if (tally.shots == 1) {
        std::snprintf(line, sizeof line, "%s, your last shot (you %d, NPCs %d): %s", name, tally.player, tally.npc,
                      played);
    } else {
        std::snprintf(line, sizeof line, "%s, your last %d shots (you %d, NPCs %d): %s", name, tally.shots,
                      tally.player, tally.npc, played);
    }
    draw_text(line, name_x, shots_y, foot_scale);
    std::snprintf(line, sizeof line, "as edited %d %s, %d %s (%.1f and %.1f expected)", tally.edited_cracks,
                  counted(tally.edited_cracks, "crack", "cracks"), tally.edited_explosions,
                  counted(tally.edited_explosions, "explosion", "explosions"), tally.expected_cracks,
                  tally.expected_explosions);
    draw_text(line, name_x, shots_y + foot_pitch, foot_scale);
}

void draw_status_and_hint(const MenuLevel& level) {
    const char* status = nullptr;
    switch (menu.status) {
        case MenuStatus::saved: status = "Saved to Barrelburst.ini."; break;
        case MenuStatus::save_failed: status = "Barrelburst.ini cannot be written"; break;
        case MenuStatus::undone: status = "Back to the values in Barrelburst.ini."; break;
        case MenuStatus::none: break;
    }
    if (status == nullptr && settings_edited()) status = "* differs from Barrelburst.ini: Save to keep it.";
    if (status != nullptr) draw_text(status, name_x, status_y, foot_scale);

    const char* key = key_name(menu_key_code(settings.menu_key));
    char hint[192];
    const int rows = row_count(level);
    std::snprintf(hint, sizeof hint, "Up/Down: select   Left/Right: change   Enter: open   Backspace: back   %s: close",
                  key != nullptr ? key : "Backspace");
    draw_text(hint, name_x, hint_y, hint_scale);
    if (rows > menu_visible_rows) {
        char position[48];
        std::snprintf(position, sizeof position, "%d of %d", level.selected + 1, rows);
        draw_text(position, value_x + 0.12f, title_y + 0.012f, hint_scale);
    }
}

}  // namespace

void format_one_in(char* out, std::size_t room, double probability) {
    if (!(probability > 0.0)) {
        std::snprintf(out, room, "never");
        return;
    }
    const double shots = 1.0 / probability;
    std::snprintf(out, room, shots < 9.95 ? "1 in %.1f" : "1 in %.0f", shots);
    const std::size_t length = std::strlen(out);
    if (length > 2 && std::strcmp(out + length - 2, ".0") == 0) out[length - 2] = 0;
}

void draw_menu() {
    const MenuLevel& level = menu.levels[static_cast<std::size_t>(menu.depth)];
    draw_box(panel_x, panel_y, panel_width, panel_height, 16, 12, 10, 215);
    draw_text(title_of(level), panel_x, title_y, title_scale, true);

    const int rows = row_count(level);
    for (int shown = 0; shown < menu_visible_rows; ++shown) {
        const int row = level.first_shown + shown;
        if (row >= rows) break;
        const float middle = first_row_y + static_cast<float>(shown) * row_pitch;
        if (row == level.selected) draw_box(panel_x, middle, row_box_width, row_box_height, 150, 28, 20, 220);
        char name[96];
        char value[160];
        row_texts(level, row, name, value);
        draw_text(name, name_x, middle - row_text_above, row_scale);
        if (value[0] != 0) draw_text(value, value_x, middle - row_text_above, row_scale);
    }
    if (rows == 0) draw_text("(none)", name_x, first_row_y - row_text_above, row_scale);

    draw_selected_about(level);
    draw_your_gun();
    draw_your_shots(level);
    draw_status_and_hint(level);
}
