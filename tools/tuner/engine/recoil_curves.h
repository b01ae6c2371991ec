#pragma once
// The camera recoil of one shot, from the plugin's own recoil code: the kick
// apply_shot_recoil sets for the shot, then the camera's pitch over the
// frames camera_kick_step moves it, in a stand-in world. The recoil amount is
// the middle of the class's [Recoil] range (a shot draws it between the two),
// and the shooter stands in the open, neither crouching nor in combat
// movement.

#include <string>
#include <vector>

#include "common/types.h"

namespace tuner {

struct RecoilCondition {
    const char* name;  // "clean" or "worn"
    float heat;
    float cold;
    float degradation;
    float dirt;
};

// A new, clean gun with a cool barrel; a worn-out, filthy one with a hot
// barrel: where the class's [RecoilModifiers] weigh the least and the most.
inline constexpr RecoilCondition recoil_conditions[] = {{"clean", 0.0f, 0.0f, 0.0f, 0.0f},
                                                         {"worn", 1.0f, 0.0f, 1.0f, 1.0f}};

struct RecoilCurve {
    WeaponClass weapon_class = weapon_class::unknown;
    const char* condition = "";
    bool free_aiming = false;
    float recoil_amount = 0.0f;
    float kick = 0.0f;           // what the shot set
    std::vector<float> pitch;    // the camera's pitch before the shot, then after each frame
};

inline constexpr int recoil_frames = 60;

// Every tuned class, each condition, free aiming and not, with the settings
// the plugin holds now. Puts the barrel and the kick back to 0 afterwards.
std::vector<RecoilCurve> recoil_curves();

}  // namespace tuner
