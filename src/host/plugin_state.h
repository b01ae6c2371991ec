#pragma once
// The plugin keeps its state in globals, one struct a module, for as long as
// it is loaded. A game loads it once; a host that runs it many times in one
// process (the stand-in, the tools, the tuner page, the tests and the
// benchmarks) puts it back to how it stands at load before each run.

// Every module's state back to its value at load, by assignment. ModRng
// aside: a host seeds it as each run needs.
void reset_plugin_state();
