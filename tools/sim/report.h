#pragma once
// What `run` prints: a header, one line per failure as it happens, then the
// summary per shooter kind and weapon class, the heat and cold curve in
// brief and what the plugin did in the world.

#include <ostream>

#include "simulation.h"

namespace sim {

void print_run_header(std::ostream& out, const Scenario& scenario, const std::optional<std::filesystem::path>& ini,
                      int frames, std::uint32_t seed);
// The column names of the failure lines.
void print_failure_columns(std::ostream& out);
void print_failure_line(std::ostream& out, const ShotRecord& shot, const RunResult& result);
void print_summary(std::ostream& out, const RunResult& result);

// One row of the summary table.
struct GroupSummary {
    bool is_npc = false;
    WeaponClass weapon_class = weapon_class::unknown;
    int shots = 0;
    int cracks = 0;
    int explosions = 0;
    int unfinished = 0;
    int weapons = 0;         // weapon objects that fired
    int failed_weapons = 0;  // of those, the ones that failed at least once
    double shots_to_first_failure = 0.0;  // mean over the failed weapons, this shot included
};
std::vector<GroupSummary> summarise(const RunResult& result);

}  // namespace sim
