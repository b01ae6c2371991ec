#pragma once
// The host the tuner's figures are computed with: the seven functions the
// plugin imports, answered at once by one stand-in world. No script runs
// here: the tuner calls the plugin's own functions (the camera kick, say)
// directly, and a frame is whatever the caller makes of the world between
// two calls.

#include "world.h"

namespace tuner {

// The world every native of the plugin reaches while figures are computed.
standin::World& direct_world();
// A fresh world with the player (ped 256), as the game has one.
void reset_direct_world();

}  // namespace tuner
