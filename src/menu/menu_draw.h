#pragma once
// The open menu on the screen: a panel on the right half with the page's
// title, its rows (the selected one on a tinted box), the selected key's
// sentence and range, the gun in the player's hands and the keys to use.

// Asks for the texture dictionary of the panel's box, when it is not loaded.
void request_menu_textures();
// Draws the page shown, for this frame.
void draw_menu();
