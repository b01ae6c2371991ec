// barrelburst-sim: the modders' tuning tool over the stand-in host.
//
//   barrelburst-sim run [--ini FILE] [--scenario FILE|NAME] [--frames N] [--seed S] [--csv DIR]
//   barrelburst-sim odds [--ini FILE] [--heat H] [--cold C]
//   barrelburst-sim check FILE [--format text|json]
//   barrelburst-sim log FILE.csv [--ini FILE] [--format text|json]
//   barrelburst-sim report [--ini FILE] [--log FILE.csv] [--out FILE.html] [--scenario NAME|FILE] [--seed S]
//   barrelburst-sim [--no-open] FILE.ini|FILE.csv [FILE.ini|FILE.csv]
//       (files dropped on the program: their report beside the log, else beside the INI, opened)

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "shared/platform.h"

namespace {

// Until Enter is pressed (or standard input ends).
void wait_for_enter() {
    std::cout << "\nPress Enter to close this window." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

}  // namespace

int main(int argc, char** argv) {
    const sim::ConsoleText console;
    // CLI11 reads the arguments in UTF-8, as every path the tool makes or prints is.
    const std::vector<std::string> arguments = sim::program_arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    const int status = sim::cli_main(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr,
                                     sim::stderr_is_terminal());
    // Started from Explorer, a file dropped on it: the window would close before its message is read.
    if (sim::console_is_own()) wait_for_enter();
    return status;
}
