#pragma once
// The world barrelburst-sim runs when it is given no other: the player with a
// revolver, a few armed NPCs and a bystander, each shooter firing on a fixed
// schedule.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world.h"

namespace sim {

// One ped that fires on a schedule: in every frame f >= first_frame with
// (f - first_frame) % interval == 0, as long as it is alive and armed.
struct Shooter {
    std::string name;
    std::int32_t ped = 0;
    std::string weapon;  // the weapon's name, as hashed with joaat
    int first_frame = 1;
    int interval = 1;
    int shots_fired = 0;  // frames the world reported it as shooting
};

// The shooters of a world, shared with the world's frame hook that fires them.
using Shooters = std::shared_ptr<std::vector<Shooter>>;

// Defines the weapons, adds the peds and installs the firing schedule.
Shooters build_default_world(standin::World& world);

}  // namespace sim
