#pragma once
// Names of keyboard keys, as [Main] menu_key and the scenarios write them,
// and the Windows virtual-key codes they stand for. Letter case does not
// matter.

#include <string_view>

// The Windows virtual-key codes of the keys the plugin knows by name.
namespace virtual_key {
inline constexpr int back = 0x08;
inline constexpr int enter = 0x0D;  // RETURN
inline constexpr int page_up = 0x21;
inline constexpr int page_down = 0x22;
inline constexpr int end = 0x23;
inline constexpr int home = 0x24;
inline constexpr int left = 0x25;
inline constexpr int up = 0x26;
inline constexpr int right = 0x27;
inline constexpr int down = 0x28;
inline constexpr int insert = 0x2D;
inline constexpr int del = 0x2E;
inline constexpr int digit0 = 0x30;   // 0 to 9 follow it, as do A to Z after letter_a
inline constexpr int letter_a = 0x41;
inline constexpr int numpad0 = 0x60;  // NUMPAD0 to NUMPAD9 follow it
inline constexpr int f1 = 0x70;       // F1 to F24 follow it
}  // namespace virtual_key

// The code of a key that may open the menu (F1-F24, A-Z, 0-9, NUMPAD0-NUMPAD9,
// INSERT, DELETE, HOME, END, PAGEUP, PAGEDOWN); 0 for an empty or unknown name.
int menu_key_code(std::string_view name);
// The same, and also the menu's own keys (UP, DOWN, LEFT, RIGHT, RETURN, BACK).
int key_code(std::string_view name);
// The name of a code, as key_code reads it; nullptr for a code it has no name for.
const char* key_name(int code);
