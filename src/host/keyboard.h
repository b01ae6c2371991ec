#pragma once
// The keyboard, read from Windows (user32) on the script fiber: the menu's
// only way to hear the player besides the game's controls. Nothing here is
// the script host's: the plugin imports these from user32 and KERNEL32.

// Whether the game's window is the one in front: the foreground window
// belongs to this process. Keys are heard only then.
bool game_window_in_front();
// Whether the key (a Windows virtual-key code) is down now.
bool key_is_down(int virtual_key);
