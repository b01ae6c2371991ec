#pragma once

#include "common/types.h"

// The barrel crack: blast, wear of degradation and dirt, and a 0.21 chance of a fall.
void crack_barrel(PedHandle ped, EntityHandle weapon_object, float dirt, float min_dirt, float degradation,
                  float min_degradation, int expo_type, bool is_npc);
