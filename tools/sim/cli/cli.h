#pragma once
// The command line of barrelburst-sim: `run`, `odds`, `check`, `log` and
// `report`, each with --help, and files dropped on the program. The commands
// write to the given streams and return the exit status, so the tests call
// them without a process of their own.

#include <ostream>

namespace sim {

// progress: draw a progress bar on err for runs longer than a second (the
// program passes whether standard error is a terminal).
int cli_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool progress = false);

}  // namespace sim
