#pragma once
// The camera kick of the player's shots.

#include <string>

#include "common/types.h"

// The camera kick still to play out, and the class of the shot that set it.
struct CameraKick {
    float kick_amount = 0.0f;
    std::string kick_weapon_class;
};
extern CameraKick camera_kick;

void apply_shot_recoil(float recoil_amount, WeaponClass weapon_class, float effective_degradation,
                       float dirt, bool player_state_a, bool player_state_b, bool player_state_c);
void camera_kick_step();
