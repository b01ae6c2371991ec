#pragma once
// Puts a scenario into the stand-in world and plays it frame by frame: the
// temperature, the player's water, aim, cover and crouch, each shooter's
// trigger, a new weapon after one was lost, a pause after a fall, the keys
// and buttons pressed.

#include <cstdint>
#include <string>
#include <vector>

#include "world.h"
#include "world/scenario.h"

namespace sim {

// One ped of the scenario.
struct Shooter {
    std::string name;  // "player", or the group's name (with a number in a group of several)
    bool is_npc = false;
    std::int32_t ped = 0;
    std::size_t group = 0;  // index into the scenario's npcs (NPCs only)
    std::string weapon_name;
    GameHash weapon_hash = 0;
    FiringPattern firing;
    int armed_frame = 0;  // frame of the last draw of a weapon (0: at the start)
    int lost_frame = -1;  // frame the weapon was found gone, -1 while held
    int down_until = 0;   // frames up to this one: on the ground after a fall
};

class WorldDriver {
public:
    // Defines the weapons, adds the peds, sets the dictionaries and the presses.
    WorldDriver(const Scenario& scenario, standin::World& world);

    // The world's state for this frame, before the script runs.
    void begin_frame(standin::World& world, int frame);

    const std::vector<Shooter>& shooters() const { return shooters_; }
    // The index in shooters() of the shooter holding this ped, or no_shooter.
    static constexpr std::size_t no_shooter = static_cast<std::size_t>(-1);
    std::size_t index_of(std::int32_t ped) const;
    // Every weapon hash the scenario uses.
    std::vector<GameHash> weapon_hashes() const;

private:
    void add_npcs(standin::World& world);
    void arm_and_index(standin::World& world);
    void arm(standin::World& world, Shooter& shooter, int frame);
    const ShooterSetup& setup_of(const Shooter& shooter) const;

    const Scenario& scenario_;
    std::vector<Shooter> shooters_;
    std::vector<std::int32_t> shooter_by_ped_;  // index + 1 by ped handle offset, 0 for none
    std::size_t falls_seen_ = 0;
};

}  // namespace sim
