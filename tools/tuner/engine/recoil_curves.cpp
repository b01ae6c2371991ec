#include "engine/recoil_curves.h"

#include "config/settings.h"
#include "engine/direct_host.h"
#include "model/barrel.h"
#include "recoil/recoil.h"

namespace tuner {

namespace {

RecoilCurve curve_of(WeaponClass weapon_class, const RecoilCondition& condition, bool free_aiming) {
    RecoilCurve curve;
    curve.weapon_class = weapon_class;
    curve.condition = condition.name;
    curve.free_aiming = free_aiming;
    curve.recoil_amount = 1.0f;
    if (const RecoilRange* range = find_recoil(weapon_class)) curve.recoil_amount = (range->low + range->high) / 2.0f;

    reset_direct_world();
    standin::World& world = direct_world();
    world.free_aiming = free_aiming;
    barrel.barrel_heat = condition.heat;
    barrel.barrel_cold = condition.cold;
    camera_kick.kick_amount = 0.0f;
    // With [Recoil] enable_recoil off a shot sets no kick at all.
    if (settings.enable_recoil) {
        apply_shot_recoil(curve.recoil_amount, weapon_class, condition.degradation, condition.dirt, false, false,
                          false);
    }
    curve.kick = camera_kick.kick_amount;
    curve.pitch.push_back(world.camera_pitch);
    for (int frame = 1; frame <= recoil_frames; ++frame) {
        world.begin_frame(frame);
        camera_kick_step();
        curve.pitch.push_back(world.camera_pitch);
    }
    return curve;
}

}  // namespace

std::vector<RecoilCurve> recoil_curves() {
    std::vector<RecoilCurve> curves;
    for (const char* weapon_class : tuned_weapon_classes) {
        for (const RecoilCondition& condition : recoil_conditions) {
            for (const bool free_aiming : {false, true}) curves.push_back(curve_of(weapon_class, condition, free_aiming));
        }
    }
    barrel.barrel_heat = 0.0f;
    barrel.barrel_cold = 0.0f;
    camera_kick.kick_amount = 0.0f;
    camera_kick.kick_weapon_class.clear();
    return curves;
}

}  // namespace tuner
