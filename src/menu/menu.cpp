#include "menu/menu.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "config/key_names.h"
#include "config/settings.h"
#include "config/settings_reload.h"
#include "config/settings_text.h"
#include "host/keyboard.h"
#include "host/natives.h"
#include "host/on_screen.h"
#include "menu/menu_draw.h"
#include "menu/menu_rows.h"
#include "model/shot_log.h"

MenuState menu;

namespace {

// The menu's inputs with their keys and controller buttons.
struct InputSource {
    MenuInput input;
    const int (&keys)[2];
    GameHash button;
};
const InputSource input_sources[] = {
    {input_up, menu_keys::up, menu_control::up},
    {input_down, menu_keys::down, menu_control::down},
    {input_left, menu_keys::left, menu_control::left},
    {input_right, menu_keys::right, menu_control::right},
    {input_accept, menu_keys::accept, menu_control::accept},
    {input_back, menu_keys::back, menu_control::cancel},
};

// Whether the controller holds the combination that opens and closes the menu.
bool combination_down() {
    const bool hold = PAD::IS_DISABLED_CONTROL_PRESSED(menu_control::frontend_group, menu_control::combination_hold);
    const bool press =
        PAD::IS_DISABLED_CONTROL_PRESSED(menu_control::frontend_group, menu_control::combination_press);
    return hold && press;
}

// The menu key and, with menu_gamepad on, the combination: whether they are down.
bool toggle_down(int menu_key, bool in_front) {
    bool down = menu_key != 0 && in_front && key_is_down(menu_key);
    if (settings.menu_gamepad && combination_down()) down = true;
    return down;
}

// Every input of an open menu that is down now; each key is asked once.
std::uint8_t inputs_down(int menu_key) {
    const bool in_front = game_window_in_front();
    std::uint8_t down = toggle_down(menu_key, in_front) ? input_toggle : 0;
    if (in_front) {
        for (const InputSource& source : input_sources) {
            for (const int key : source.keys) {
                if (key != menu_key && key_is_down(key)) down |= source.input;
            }
        }
    }
    // A controller's buttons, unless the keyboard drives the game: its keys
    // drive the same frontend controls.
    if (!PAD::IS_USING_KEYBOARD_AND_MOUSE(menu_control::frontend_group)) {
        for (const InputSource& source : input_sources) {
            if (PAD::IS_DISABLED_CONTROL_PRESSED(menu_control::frontend_group, source.button)) down |= source.input;
        }
        // The combination's own Left is no step.
        if ((down & input_toggle) != 0 && settings.menu_gamepad) down &= static_cast<std::uint8_t>(~input_left);
    }
    return down;
}

// The game's own use of the menu's keys and buttons, in the player's
// controls and the menus', and firing and aiming.
void disable_game_controls() {
    PAD::DISABLE_CONTROL_ACTION(menu_control::player_group, menu_control::attack, true);
    PAD::DISABLE_CONTROL_ACTION(menu_control::player_group, menu_control::aim, true);
    for (const int group : {menu_control::player_group, menu_control::frontend_group}) {
        for (const InputSource& source : input_sources) PAD::DISABLE_CONTROL_ACTION(group, source.button, true);
    }
}

MenuLevel& shown() { return menu.levels[static_cast<std::size_t>(menu.depth)]; }

void open_menu() {
    request_box_texture();
    menu.open = true;
    menu.depth = 0;
    menu.levels = {};
    menu.status = MenuStatus::none;
    menu.status_passes_left = 0;
}

void close_menu() { menu.open = false; }

void show_status(MenuStatus status) {
    menu.status = status;
    menu.status_passes_left = menu_status_passes;
}

// What the file holds: its tuning for the chances "as in the file". Taken
// while the settings are the file's.
void take_file_as_shown() {
    for (const TunedClass c : tuned_classes) menu.file_tuning[c] = class_chance_tuning(class_name(c));
    menu.file_cap = settings.maximum_chance_for_explosion;
    menu.file_reads_seen = settings_text.file_reads;
}

// The menu changed the settings in force or saved them: live reloading and
// the play log follow at once.
void follow_menu_change() {
    follow_settings_text();
    follow_settings_changes();
}

void select(MenuLevel& level, int row) {
    level.selected = row;
    if (level.selected < level.first_shown) level.first_shown = level.selected;
    if (level.selected >= level.first_shown + menu_visible_rows) level.first_shown = level.selected - menu_visible_rows + 1;
}

void move_selection(int by) {
    MenuLevel& level = shown();
    const int rows = row_count(level);
    if (rows <= 0) return;
    select(level, ((level.selected + by) % rows + rows) % rows);
}

// The grid point one step from the value, in the direction, within the span.
float stepped(float value, SliderSpan span, int direction) {
    // The step as the decimal it stands for (0.01, not 0.00999999978), so
    // that its multiples are the decimals a person writes.
    char step_text[32];
    format_number(step_text, sizeof step_text, menu_step(span));
    const double step = std::strtod(step_text, nullptr);
    if (!(step > 0.0) || !std::isfinite(value)) return value;
    const double at = static_cast<double>(value) / step;
    const double target = direction > 0 ? std::floor(at + 1e-4) + 1.0 : std::ceil(at - 1e-4) - 1.0;
    double next = target * step;
    if (next > static_cast<double>(span.high)) next = static_cast<double>(span.high);
    if (next < static_cast<double>(span.low)) next = static_cast<double>(span.low);
    return static_cast<float>(next);
}

// The value one step (or one toggle) on; false when the key is not edited here.
bool changed_value(const SettingName& name, SettingValue& value, int element, int direction) {
    switch (value.kind) {
        case ValueKind::flag:
            value.number = value_on(value) ? 0.0f : 1.0f;
            return true;
        case ValueKind::exact_switch:
            value.whole = value_on(value) ? 0 : 1;
            return true;
        case ValueKind::whole_number:
            value.whole += direction;
            return true;
        case ValueKind::number:
            value.number = stepped(value.number, span_in_file(name, 0), direction);
            return true;
        case ValueKind::pair:
        case ValueKind::seven: {
            if (element < 0 || element >= value.list_size) return false;
            float& number = value.list[static_cast<std::size_t>(element)];
            number = stepped(number, span_in_file(name, element), direction);
            return true;
        }
        case ValueKind::text:
            return false;
    }
    return false;
}

void edit(const SettingName& name, int element, int direction) {
    SettingValue value = stored_value(name);
    if (!changed_value(name, value, element, direction)) return;
    char text[256];
    format_file_value(text, sizeof text, value);
    apply_settings_edit(name.section, name.key, text);
    follow_menu_change();
}

// Left or Right on the selected row.
void change(int direction) {
    const MenuLevel& level = shown();
    if (level.page == MenuPage::list) {
        edit(all_setting_names()[static_cast<std::size_t>(level.name)], level.selected, direction);
        return;
    }
    const SettingName* name = row_name(level, level.selected);
    if (name == nullptr || name->row->kind == ValueKind::pair || name->row->kind == ValueKind::seven) return;
    edit(*name, -1, direction);
}

void open_page(MenuPage page, int section, int name) {
    if (menu.depth + 1 >= static_cast<int>(menu.levels.size())) return;
    ++menu.depth;
    shown() = MenuLevel{page, section, name, 0, 0};
}

void accept() {
    const MenuLevel& level = shown();
    if (level.page == MenuPage::top) {
        if (level.selected < top_save_row) {
            open_page(MenuPage::section, level.selected, 0);
        } else if (level.selected == top_save_row) {
            if (save_settings_edits()) {
                follow_menu_change();
                take_file_as_shown();
                show_status(MenuStatus::saved);
            } else {
                show_status(MenuStatus::save_failed);
            }
        } else if (level.selected == top_undo_row) {
            undo_settings_edits();
            follow_menu_change();
            take_file_as_shown();
            show_status(MenuStatus::undone);
        } else {
            close_menu();
        }
        return;
    }
    if (level.page == MenuPage::section) {
        const SettingName* name = row_name(level, level.selected);
        if (name != nullptr && (name->row->kind == ValueKind::pair || name->row->kind == ValueKind::seven)) {
            open_page(MenuPage::list, level.section, name->index);
        }
    }
}

void back() {
    if (menu.depth == 0) {
        close_menu();
        return;
    }
    --menu.depth;
}

// Left and Right step on a press, then repeat while held. The game timer's
// milliseconds wrap: they are compared as the distance from the time due.
void left_and_right(std::uint8_t pressed, std::uint8_t down, std::uint32_t now) {
    for (const auto& [input, direction] : {std::pair{input_left, -1}, std::pair{input_right, 1}}) {
        if ((pressed & input) != 0) {
            change(direction);
            menu.repeat_at = now + menu_repeat_delay;
        } else if ((down & input) != 0 && static_cast<std::int32_t>(now - menu.repeat_at) >= 0) {
            change(direction);
            menu.repeat_at = now + menu_repeat_interval;
        }
    }
}

// The shots at the foot counted again after an edit or a reload, and at most
// once a second while new ones arrive. The pass that opened the menu counted
// them without the timer: the next pass's time stands for it.
void follow_shots(std::uint32_t now) {
    MenuShots& shots = menu.shots;
    if (!shots.timed) {
        shots.timed = true;
        shots.computed_at = now;
    }
    const bool edited = shots.generation_seen != settings_text.generation;
    const bool due = shots.written_seen != shot_records.written && now - shots.computed_at >= menu_shots_interval;
    if (!edited && !due) return;
    count_menu_shots(shots);
    shots.computed_at = now;
}

// A pass of the open menu: its keys, then its page drawn. The pass that
// opens it has read its keys already.
void open_pass(int menu_key, bool opening) {
    if (!opening) {
        // Nothing is drawn and no key is taken while the game's pause menu
        // is up; the game's controls stay the pause menu's. Every input then
        // counts as held, so that a key that worked the pause menu is no
        // press here.
        if (HUD::IS_PAUSE_MENU_ACTIVE()) {
            menu.held = 0xFF;
            return;
        }
    }
    disable_game_controls();
    if (menu.file_reads_seen != settings_text.file_reads) take_file_as_shown();
    if (!opening) {
        const std::uint8_t down = inputs_down(menu_key);
        const std::uint8_t pressed = down & static_cast<std::uint8_t>(~menu.held);
        menu.held = down;
        const auto now = static_cast<std::uint32_t>(MISC::GET_GAME_TIMER());
        if ((pressed & input_toggle) != 0) {
            close_menu();
            return;
        }
        if ((pressed & input_up) != 0) move_selection(-1);
        if ((pressed & input_down) != 0) move_selection(1);
        left_and_right(pressed, down, now);
        if ((pressed & input_accept) != 0) accept();
        if ((pressed & input_back) != 0) back();
        if (!menu.open) return;
        follow_shots(now);
    } else {
        count_menu_shots(menu.shots);
        menu.shots.timed = false;
    }

    // A page may have lost rows (a reload with fewer entries).
    MenuLevel& level = shown();
    const int rows = row_count(level);
    if (level.selected >= rows) select(level, rows > 0 ? rows - 1 : 0);
    if (menu.status_passes_left > 0 && --menu.status_passes_left == 0) menu.status = MenuStatus::none;
    draw_menu();
}

}  // namespace

void prepare_settings_menu() { prepare_section_names(); }

void settings_menu_pass() {
    const int menu_key = menu_key_code(settings.menu_key);
    if (!menu.open) {
        if (menu_key == 0 && !settings.menu_gamepad) return;
        const bool down = toggle_down(menu_key, menu_key != 0 && game_window_in_front());
        const bool pressed = down && (menu.held & input_toggle) == 0;
        menu.held = down ? input_toggle : 0;
        if (!pressed || HUD::IS_PAUSE_MENU_ACTIVE()) return;
        open_menu();
        open_pass(menu_key, true);
        return;
    }
    open_pass(menu_key, false);
}
