#pragma once
// The camera kick of the player's shots.

#include <string>

#include "common/types.h"

extern float kick_amount;
extern std::string kick_weapon_class;

void apply_shot_recoil(float recoil_amount, WeaponClass weapon_class, float effective_degradation,
                       float dirt, bool player_state_a, bool player_state_b, bool player_state_c);
void camera_kick_step();
