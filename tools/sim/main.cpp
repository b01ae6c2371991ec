// barrelburst-sim: the modders' tuning tool over the stand-in host.
//
//   barrelburst-sim run [--ini FILE] [--scenario FILE|NAME] [--frames N] [--seed S] [--csv DIR] [--plot FILE]
//   barrelburst-sim odds [--ini FILE] [--heat H] [--cold C]
//   barrelburst-sim check FILE

#include <iostream>

#include "cli.h"
#include "platform.h"

int main(int argc, char** argv) {
    return sim::cli_main(argc, argv, std::cout, std::cerr, sim::stderr_is_terminal());
}
