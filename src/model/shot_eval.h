#pragma once
// The evaluation of one shot: effective degradation, recoil and heat for the
// player, firing dirt, the crack and explosion chances, one roll, at most one
// outcome.

#include "common/types.h"
#include "model/ped_scan.h"
#include "model/shot_record.h"

inline constexpr int debug_line_size = 256;

// The chances of one shot of this class with the weapon's opening dirt and
// its effective degradation, with the class tables and the barrel heat and
// cold as they stand. Reads the per-class tables with insertion, in the order
// min_dirt, min_degradation, expo_chance_mod, expo_type; calls no native.
ShotChances shot_chances(WeaponClass weapon_class, float dirt, float effective_degradation);

// What the roll selects: the crack is decided first.
ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll);

// Evaluates one shot, records it (shot_record.h) and plays its outcome.
void evaluate_shot(const PedWeaponReading& reading);
