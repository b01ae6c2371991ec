#pragma once
// Named worlds shared by the Linux tests and the Windows runner, so that one
// and the same situation can be played on both stand-in hosts.

#include <string_view>

#include "world.h"

namespace standin {

// Builds the named world into a fresh World; false for an unknown name.
bool build_scenario(World& world, std::string_view name);

}  // namespace standin
