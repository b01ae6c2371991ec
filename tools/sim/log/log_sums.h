#pragma once
// A shot log's figures summed up as its rows are read: per session, per
// shooter kind and class, the weapons and the player's barrel; and the
// verdicts on them.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "log/shot_log_reader.h"

namespace sim {

struct WeaponState {
    std::int64_t last_second = -1;
};

// What a session needs while it is read, besides its sums.
struct SessionState {
    std::unordered_map<std::uint64_t, WeaponState> weapons;
    std::unordered_map<std::uint32_t, std::uint32_t> last_pass_of_shooter;
    std::vector<float> npc_dirt;
    std::vector<float> npc_degradation;
};

// One row into its session's figures.
void add_row(LogSession& s, SessionState& state, const LogRow& row);
// Quartiles by linear interpolation between the sorted values in [0, 1].
ValueSpread spread_of(std::vector<float>& values);
// The classes whose shots so often follow the same shooter's shot in the
// next pass that the shooting flag must stay true for several passes.
void flag_repeated_passes(const LogSession& s, std::vector<Finding>& findings);

}  // namespace sim
