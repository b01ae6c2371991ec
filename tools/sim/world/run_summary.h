#pragma once
// A run summed up per shooter kind and weapon class: the shots, the failures
// and the weapons that failed. `run` prints it, the report page draws it.

#include <vector>

#include "world/simulation.h"

namespace sim {

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
// The player's rows first, then the NPCs'; classes in the order the tables know them.
std::vector<GroupSummary> summarise(const RunResult& result);

}  // namespace sim
