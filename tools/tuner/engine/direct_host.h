#pragma once
// The host of the page's engine: the seven functions the plugin imports,
// answered at once by one stand-in world, with no script fiber. The recoil
// curves call the plugin's own functions directly, and a frame is whatever
// they make of the world between two calls. The fight runs the plugin's
// script by its two parts (script_start, then frame_loop_step pass after
// pass): a wait ends the frame there and then, the next frame begins (the
// world's on_frame runs) and the plugin goes on; at the run's last frame a
// wait throws RunOver instead, which unwinds the pass under way, as a host
// that stops resuming its fiber leaves it.

#include <cstdint>

#include "world.h"

namespace tuner {

// The world every native of the plugin reaches.
standin::World& direct_world();
// A fresh world with the player (ped 256), as the game has one; no run.
void reset_direct_world();

struct RunOver {};
// A run of frames 1 to last_frame: frame 1 begins now.
void begin_direct_run(int last_frame);
// The frame under way (0 before a run); whether a wait has ended the run.
int direct_frame();
bool direct_run_over();
std::uint64_t direct_natives();
std::uint64_t direct_waits();

}  // namespace tuner
