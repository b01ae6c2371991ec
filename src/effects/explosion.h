#pragma once

#include "common/types.h"

// The gun explosion: blast, wrecked weapon, weapon taken away, shooter down.
void explode_gun(PedHandle ped, EntityHandle weapon_object, GameHash weapon_hash, int expo_type, bool is_npc);
