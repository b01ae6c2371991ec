#include "recoil/recoil.h"

#include <algorithm>
#include <cmath>

#include "config/settings.h"
#include "host/natives.h"
#include "model/barrel.h"

CameraKick camera_kick;

namespace {

// 1 at x = 0, m at x = 1.
float blended(float m, float x) { return 1.0f + (m - 1.0f) * x; }

}  // namespace

void apply_shot_recoil(float recoil_amount, WeaponClass weapon_class, float effective_degradation, float dirt,
                       bool player_state_a, bool player_state_b, bool player_state_c) {
    camera_kick.kick_weapon_class = weapon_class;

    RecoilModifiers factors;
    if (const RecoilModifiers* found = find_recoil_modifiers(weapon_class)) factors = *found;

    const float cold_factor = blended(factors.cold, barrel.barrel_cold);
    const float heat_factor = blended(factors.heat, barrel.barrel_heat);
    const float degradation_factor = blended(factors.wear, effective_degradation);
    const float dirt_factor = blended(factors.dirt, dirt);

    float kick = (cold_factor * heat_factor) * (degradation_factor * dirt_factor);
    if (player_state_a) kick = kick * factors.in_cover;
    if (player_state_b) kick = kick * factors.crouching;
    if (player_state_c) kick = kick * factors.combat_movement;
    kick = kick * recoil_amount;

    // A kick still pending is replaced, not added to.
    camera_kick.kick_amount = kick;
}

void camera_kick_step() {
    if (!(camera_kick.kick_amount > 0.0f)) return;

    const Player player = PLAYER::PLAYER_ID();
    if (PLAYER::IS_PLAYER_FREE_AIMING(player)) {
        camera_kick.kick_amount = camera_kick.kick_amount * 0.8f;
    } else if (camera_kick.kick_weapon_class != weapon_class::revolver) {
        camera_kick.kick_amount = camera_kick.kick_amount + 0.02f;
    } else {
        camera_kick.kick_amount = 0.0f;
        return;
    }
    if (camera_kick.kick_amount > 1.0f) camera_kick.kick_amount = 1.0f;

    const float pitch = CAM::GET_GAMEPLAY_CAM_RELATIVE_PITCH();
    // A pitch that is not a number says nothing of where the camera points:
    // the clamp below would pass it on, so the camera is left alone this pass.
    if (!std::isnan(pitch)) {
        const float new_pitch = std::max(std::min(camera_kick.kick_amount + pitch, 89.0f), -89.0f);
        CAM::SET_GAMEPLAY_CAM_RELATIVE_PITCH(new_pitch, 0.5f);
    }

    camera_kick.kick_amount = std::max(camera_kick.kick_amount - 0.05f, 0.0f);
}
