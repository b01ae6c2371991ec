#pragma once
// Names of keyboard keys, as [Main] menu_key and the scenarios write them,
// and the Windows virtual-key codes they stand for. Letter case does not
// matter.

#include <string_view>

// The code of a key that may open the menu (F1-F24, A-Z, 0-9, NUMPAD0-NUMPAD9,
// INSERT, DELETE, HOME, END, PAGEUP, PAGEDOWN); 0 for an empty or unknown name.
int menu_key_code(std::string_view name);
// The same, and also the menu's own keys (UP, DOWN, LEFT, RIGHT, RETURN, BACK).
int key_code(std::string_view name);
// The name of a code, as key_code reads it; nullptr for a code it has no name for.
const char* key_name(int code);
