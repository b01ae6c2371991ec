#pragma once

// The plugin's one script: loads the settings, then runs one pass of the frame
// loop per game frame, forever (reloading the settings on a change, when they
// ask for it).
void script_main();
