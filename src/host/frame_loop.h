#pragma once

#include <cstdint>

// The plugin's one script: loads the settings, then runs one pass of the frame
// loop per game frame, forever (reloading the settings on a change, when they
// ask for it, and writing the play log when it is on).
void script_main();

// The script's two parts, which script_main runs: its start (the settings'
// first load, the play log's session), then one pass after another, each
// ending in its wait for the next frame. A host without a script fiber calls
// them itself.
void script_start();
void frame_loop_step();

// Passes of the frame loop since the script started, the current one
// included: the first pass after the settings' first load is 1.
extern std::uint32_t frame_loop_pass;
