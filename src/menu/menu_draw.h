#pragma once
// The open menu on the screen: a panel on the right half with the page's
// title, its rows (the selected one on a tinted box), the selected key's
// sentence and range, the gun in the player's hands, the player's last shots
// and the keys to use.

#include <cstddef>

// Draws the page shown, for this frame.
void draw_menu();
// A chance as one shot in how many: "1 in 58", with one decimal below 10
// ("1 in 3.1", "1 in 2"); "never" for a chance of 0.
void format_one_in(char* out, std::size_t room, double probability);
