#pragma once
// The answers of the Windows functions the plugin reads the keyboard with,
// from a simulated world: its keys, and whether the game's window is in
// front. Every stand-in host answers them through these.

#include <cstdint>

#include "world.h"

namespace standin {

// The handles the world's windows have: the game's, and another program's.
inline constexpr std::uintptr_t game_window = 1;
inline constexpr std::uintptr_t other_window = 2;
// The game's process id where the host stands in for the operating system.
inline constexpr std::uint32_t stand_in_process_id = 0x4D2;

inline short answer_key_state(World& world, int virtual_key) { return world.async_key_state(virtual_key); }
inline std::uintptr_t answer_foreground_window(World& world) {
    return world.foreground_window() == 1 ? game_window : other_window;
}
// The process of a window: the game's own for the game's window.
inline std::uint32_t answer_window_process(std::uintptr_t window, std::uint32_t game_process) {
    return window == game_window ? game_process : game_process + 4;
}

}  // namespace standin
