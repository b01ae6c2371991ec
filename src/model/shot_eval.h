#pragma once
// The evaluation of one shot: effective degradation, recoil and heat for the
// player, firing dirt, the crack and explosion chances, one roll, at most one
// outcome.

#include "common/types.h"
#include "model/ped_scan.h"

inline constexpr int debug_line_size = 256;

// The class tuning a shot reads, the two terms, the two chances and the
// highest degradation that can still crack.
struct ShotChances {
    float min_dirt = 0.0f;
    float min_degradation = 0.0f;
    float expo_chance_mod = 0.0f;
    int expo_type = 0;
    float dirt_term = 0.0f;
    float degradation_term = 0.0f;
    float crack_chance = 0.0f;
    float explosion_chance = 0.0f;
    float crack_degradation_limit = 0.0f;
};

// The chances of one shot of this class with the weapon's opening dirt and
// its effective degradation, with the class tables and the barrel heat and
// cold as they stand. Reads the per-class tables with insertion, in the order
// min_dirt, min_degradation, expo_chance_mod, expo_type; calls no native.
ShotChances shot_chances(WeaponClass weapon_class, float dirt, float effective_degradation);

enum class ShotOutcome { none, crack, explosion };

// What the roll selects: the crack is decided first.
ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll);

void evaluate_shot(const PedWeaponReading& reading);
