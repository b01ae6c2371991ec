#pragma once
// Names of keyboard keys, as [Main] menu_key and the scenarios write them,
// and the Windows virtual-key codes they stand for. Letter case does not
// matter.

#include <string_view>

// The Windows virtual-key codes of the keys the plugin knows by name; 0 to
// 9, A to Z, NUMPAD0 to NUMPAD9 and F1 to F24 follow the first of each.
namespace virtual_key {
inline constexpr int back = 0x08, enter = 0x0D, page_up = 0x21, page_down = 0x22, end = 0x23, home = 0x24;
inline constexpr int left = 0x25, up = 0x26, right = 0x27, down = 0x28, insert = 0x2D, del = 0x2E;
inline constexpr int digit0 = 0x30, letter_a = 0x41, numpad0 = 0x60, f1 = 0x70;
}  // namespace virtual_key

// The code of a key that may open the menu (F1-F24, A-Z, 0-9, NUMPAD0-NUMPAD9,
// INSERT, DELETE, HOME, END, PAGEUP, PAGEDOWN); 0 for an empty or unknown name.
int menu_key_code(std::string_view name);
// The same, and also the menu's own keys (UP, DOWN, LEFT, RIGHT, RETURN, BACK).
int key_code(std::string_view name);
// The name of a code, as key_code reads it; nullptr for a code it has no name for.
const char* key_name(int code);
