#pragma once
// The plugin keeps its state in globals for as long as it is loaded. A game
// loads it once; the tests, the tools and the benchmarks run it many times in
// one process, so each run first puts the globals back to their load values.

namespace standin {

// Every global of the plugin back to its value at library load (ModRng
// aside: each run seeds it as it needs).
void reset_plugin_globals();

}  // namespace standin
