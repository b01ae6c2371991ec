#pragma once

#include <cstdint>

// The plugin's one script: loads the settings, then runs one pass of the frame
// loop per game frame, forever (reloading the settings on a change, when they
// ask for it, and writing the play log when it is on).
void script_main();

// Passes of the frame loop since the script started, the current one
// included: the first pass after the settings' first load is 1.
extern std::uint32_t frame_loop_pass;
