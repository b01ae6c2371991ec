#pragma once

// The plugin's one script: loads the settings once, then runs one pass of the
// frame loop per game frame, forever.
void script_main();
