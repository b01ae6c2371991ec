#pragma once
// The evaluation of one shot: effective degradation, recoil and heat for the
// player, firing dirt, the crack and explosion chances, one roll, at most one
// outcome.

#include "model/ped_scan.h"

inline constexpr int debug_line_size = 256;

void evaluate_shot(const PedWeaponReading& reading);
