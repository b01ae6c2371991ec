#pragma once
// What `run` prints: a header, one line per failure as it happens, then the
// summary per shooter kind and weapon class, the heat and cold curve in
// brief and what the plugin did in the world.

#include <ostream>

#include "world/simulation.h"

namespace sim {

void print_run_header(std::ostream& out, const Scenario& scenario, const std::optional<std::filesystem::path>& ini,
                      int frames, std::uint32_t seed);
// The column names of the failure lines.
void print_failure_columns(std::ostream& out);
void print_failure_line(std::ostream& out, const ShotRecord& shot, const RunResult& result);
void print_summary(std::ostream& out, const RunResult& result);

}  // namespace sim
