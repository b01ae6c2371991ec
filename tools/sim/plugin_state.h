#pragma once
// The plugin keeps its state in globals for as long as it is loaded. A game
// loads it once; the tool may run it several times in one process (tests,
// benchmark), so each run first puts the globals back to their load values.

namespace sim {

// Every global of the plugin back to its value at library load (ModRng
// aside, which every run seeds itself).
void reset_plugin_globals();

}  // namespace sim
