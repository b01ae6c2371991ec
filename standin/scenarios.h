#pragma once
// Named worlds shared by the Linux tests and the Windows runner, so that one
// and the same situation can be played on both stand-in hosts.

#include <string_view>
#include <vector>

#include "world.h"

namespace standin {

// Weapons of the named worlds, by the game's names.
struct KnownWeapons {
    GameHash revolver;
    GameHash pistol;
    GameHash rifle;
    GameHash shotgun;
};
KnownWeapons known_weapons();
// Defines the known weapons' types in the world.
void define_known_weapons(World& world);

// Builds the named world into a fresh World; false for an unknown name.
bool build_scenario(World& world, std::string_view name);

}  // namespace standin
