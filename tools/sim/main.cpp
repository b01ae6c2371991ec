// barrelburst-sim: runs the plugin frame by frame in the stand-in host.
//
//   barrelburst-sim run --ini release/Barrelburst.ini --frames 600 [--seed N]

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <optional>

#include "simulation.h"

namespace {

constexpr int exit_failure = 1;
constexpr int exit_host_errors = 3;

int run_command(const sim::RunOptions& options) {
    try {
        const sim::RunReport report = sim::run_simulation(options);
        sim::print_report(std::cout, report);
        return report.host_errors.empty() ? 0 : exit_host_errors;
    } catch (const sim::RunError& error) {
        std::cerr << "barrelburst-sim: " << error.message << "\n";
        return exit_failure;
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Runs the Barrelburst plugin in the stand-in host's simulated world", "barrelburst-sim"};
    app.require_subcommand(1);

    sim::RunOptions options;
    std::uint32_t seed = 0;
    CLI::App* run = app.add_subcommand("run", "Run the default world for a number of frames and report");
    run->add_option("--ini", options.ini, "INI file the plugin reads (copied as Barrelburst.ini)")->required();
    run->add_option("--frames", options.frames, "Frames to run")->check(CLI::Range(1, 100000000))->capture_default_str();
    CLI::Option* seed_option = run->add_option("--seed", seed, "Seed of the plugin's random source");

    CLI11_PARSE(app, argc, argv);

    if (*seed_option) options.seed = seed;
    if (run->parsed()) return run_command(options);
    return exit_failure;
}
