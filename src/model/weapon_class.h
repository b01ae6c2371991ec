#pragma once

#include "common/types.h"

// The weapon's class by the game's weapon-type tests, asked in order; the
// first yes decides, none gives "unknown".
WeaponClass classify_weapon(GameHash weapon_hash);
