#include "recoil/recoil.h"

float kick_amount = 0.0f;
std::string kick_weapon_class;

void apply_shot_recoil(float, WeaponClass, float, float, bool, bool, bool) {}
void camera_kick_step() {}
