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

// The kick of one player shot, from the barrel's heat and cold before the
// shot and the class's [RecoilModifiers]. The three player states:
//   player_state_a: PED::IS_PED_IN_COVER of the player's ped is non-zero;
//   player_state_b: PED::GET_PED_CROUCH_MOVEMENT is non-zero;
//   player_state_c: PED::GET_PED_COMBAT_MOVEMENT is above 0.
void apply_shot_recoil(float recoil_amount, WeaponClass weapon_class, float effective_degradation,
                       float dirt, bool player_state_a, bool player_state_b, bool player_state_c);
void camera_kick_step();
