#pragma once
// The blast and the fall that a barrel crack and a gun explosion share.

#include "common/types.h"
#include "effects/particles.h"

using FallAction = void (*)(PedHandle ped, bool is_npc);

// Damage draw, flash and smoke, the game explosion at the weapon, then the
// shooter action that follows every blast.
void blast_at_weapon(PedHandle ped, EntityHandle weapon_object, bool is_npc, int explosion_type,
                     const EffectSpec& flash, const EffectSpec& smoke);
// With ragdolls on: off the vehicle when the shooter uses one, otherwise the fall.
void knock_down_shooter(PedHandle ped, bool is_npc, FallAction fall);
// A 5-second ragdoll fall in a random direction.
void ragdoll_random_direction(PedHandle ped, bool is_npc);
// The fall of an explosion with damage enabled.
void knocked_out_fall(PedHandle ped, bool is_npc);
