#pragma once
// The settings menu in the game: [Main] menu_key (or, with menu_gamepad, a
// controller combination) opens every key of Barrelburst.ini on the right
// half of the screen, by section, with its meaning and range, and what the
// values as edited do to the next shot of the gun in the player's hands. A
// change takes effect from the next pass; Save writes it into the file. At
// the foot, the player's last shots as played and as the edits decide them.
//
// While the menu is closed a pass only looks at the menu key (and, with
// menu_gamepad on, asks the game for the combination's two buttons).

#include <array>
#include <cstdint>

#include "common/joaat.h"
#include "common/types.h"
#include "config/key_names.h"
#include "config/settings.h"
#include "menu/menu_shots.h"

// The controls the menu reads and disables, by the game's action names.
namespace menu_control {
inline constexpr int player_group = 0;    // the player's controls
inline constexpr int frontend_group = 2;  // the menus' controls
inline constexpr GameHash up = joaat("INPUT_FRONTEND_UP");
inline constexpr GameHash down = joaat("INPUT_FRONTEND_DOWN");
inline constexpr GameHash left = joaat("INPUT_FRONTEND_LEFT");
inline constexpr GameHash right = joaat("INPUT_FRONTEND_RIGHT");
inline constexpr GameHash accept = joaat("INPUT_FRONTEND_ACCEPT");
inline constexpr GameHash cancel = joaat("INPUT_FRONTEND_CANCEL");
// With menu_gamepad on: held together, they open and close the menu.
inline constexpr GameHash combination_hold = joaat("INPUT_FRONTEND_RB");
inline constexpr GameHash combination_press = left;
inline constexpr GameHash attack = joaat("INPUT_ATTACK");
inline constexpr GameHash aim = joaat("INPUT_AIM");
}  // namespace menu_control

// The menu's keys, each also on the number pad.
namespace menu_keys {
inline constexpr int up[] = {virtual_key::up, virtual_key::numpad0 + 8};
inline constexpr int down[] = {virtual_key::down, virtual_key::numpad0 + 2};
inline constexpr int left[] = {virtual_key::left, virtual_key::numpad0 + 4};
inline constexpr int right[] = {virtual_key::right, virtual_key::numpad0 + 6};
inline constexpr int accept[] = {virtual_key::enter, virtual_key::numpad0 + 5};
inline constexpr int back[] = {virtual_key::back, virtual_key::numpad0};
}  // namespace menu_keys

// A held Left or Right repeats after this long, then at this pace (ms of the game timer).
inline constexpr std::uint32_t menu_repeat_delay = 400;
inline constexpr std::uint32_t menu_repeat_interval = 80;
// Rows shown at once; a longer page scrolls with the selection.
inline constexpr int menu_visible_rows = 16;
// Passes a save's outcome stays on the page.
inline constexpr int menu_status_passes = 300;

enum class MenuPage : std::uint8_t { top, section, list };

// What a pass's input asks, one bit each.
enum MenuInput : std::uint8_t {
    input_up = 1 << 0,
    input_down = 1 << 1,
    input_left = 1 << 2,
    input_right = 1 << 3,
    input_accept = 1 << 4,
    input_back = 1 << 5,
    input_toggle = 1 << 6,
};

// One page on the way from the top page to the one shown.
struct MenuLevel {
    MenuPage page = MenuPage::top;
    int section = 0;   // a section page's: index into settings_sections
    int name = 0;      // a list page's key: index into all_setting_names()
    int selected = 0;  // the selected row
    int first_shown = 0;
};

enum class MenuStatus : std::uint8_t { none, saved, save_failed, undone };

struct MenuState {
    bool open = false;
    std::array<MenuLevel, 3> levels{};
    int depth = 0;  // levels[depth] is the page shown
    // The inputs down in the last pass that read them: a press is an input
    // down after a pass in which it was up.
    std::uint8_t held = 0;
    std::uint32_t repeat_at = 0;  // game timer at which a held Left or Right steps again
    // The file's tuning of each class and cap, for the chances "as in the
    // file", taken when the settings were last built from the file's text.
    PerClass<ClassChanceTuning> file_tuning{};
    float file_cap = 0.0f;
    std::uint32_t file_reads_seen = 0;
    MenuStatus status = MenuStatus::none;
    int status_passes_left = 0;
    MenuShots shots;
};

extern MenuState menu;

// At the script's start: the menu's rows of the key table, built once, so
// that opening and walking the menu allocates nothing.
void prepare_settings_menu();
// Once per pass of the frame loop, after the banner and the overlay: the
// menu key, and while the menu is open its keys, its edits and its drawing.
void settings_menu_pass();
