#pragma once
// "Your shots" at the menu's foot: the shots the ring of shot records holds
// (the player's and the NPCs'), per weapon class, as played and decided
// again under the settings in force by the replay the tools use
// (model/shot_replay.h), with the same rolls. The menu computes them when it
// opens, when an edit or a reload takes effect and at most once a second
// while new shots arrive; never in the passes between.

#include <array>
#include <cstdint>

#include "config/settings.h"
#include "model/shot_record.h"
#include "model/shot_replay.h"

// One class's shots in the ring's window.
struct ShotTally {
    int shots = 0;
    int player = 0;
    int npc = 0;
    int cracks = 0;  // as played
    int explosions = 0;
    int edited_cracks = 0;  // replayed under the settings in force
    int edited_explosions = 0;
    double expected_cracks = 0.0;  // the sum of the replayed shots' chances of each
    double expected_explosions = 0.0;
};

// The shots counted at once for every class, and the replay's storage: one
// entry per record the ring holds. Every member is zero by default, so that
// it sits in zeroed storage.
struct MenuShots {
    PerClass<ShotTally> tallies{};
    ShotTally all;  // every class together
    int window = 0;  // the records counted: the last ones written, at most the ring's size
    std::uint64_t written_seen = 0;
    std::uint32_t generation_seen = 0;
    bool timed = false;  // computed_at holds the game timer of the last computation
    std::uint32_t computed_at = 0;
    std::array<ReplayLink, shot_record_capacity> links{};
    std::array<ReplayWeapon, shot_record_capacity> weapons{};
    std::array<ReplayShooter, shot_record_capacity> shooters{};
    std::array<std::int32_t, 4 * shot_record_capacity> table{};
};

// New shots are counted again at most this often (ms of the game timer).
inline constexpr std::uint32_t menu_shots_interval = 1000;

// Counts the ring's records as played and as the settings in force decide
// them. Allocates nothing.
void count_menu_shots(MenuShots& shots);
