#pragma once
// The evaluation of one shot: effective degradation, recoil and heat for the
// player, firing dirt, the crack and explosion chances, one roll, at most one
// outcome.

#include <cstddef>

#include "common/types.h"
#include "config/settings.h"
#include "model/ped_scan.h"
#include "model/shot_record.h"

inline constexpr int debug_line_size = 256;

// The chances of one shot of this class with the weapon's opening dirt and
// its effective degradation, with the class tables and the barrel heat and
// cold as they stand. Reads the per-class tables with insertion, in the order
// min_dirt, min_degradation, expo_chance_mod, expo_type; calls no native.
ShotChances shot_chances(WeaponClass weapon_class, float dirt, float effective_degradation);
// The same in two steps: the class's tuning, read from the tables in that
// order (the tuning members of the result, the rest 0), and the chances of
// one shot with that tuning, which reads no table.
ShotChances class_chance_tuning(WeaponClass weapon_class);
ShotChances chances_with_tuning(const ShotChances& tuning, float dirt, float effective_degradation);
// The same with another cap on each term than [Main] maximum_chance_for_explosion.
ShotChances chances_with_tuning(const ShotChances& tuning, float dirt, float effective_degradation,
                                float maximum_chance);

// Whether a shot asks the base-degradation list: an NPC's, with [NPC]
// enable_explosion exactly 1, of a weapon that shows no degradation.
bool asks_base_degradation(bool is_npc, float effective_degradation);
// The first [Base_Degradation] entry whose name hashes to key, walked in the
// file's order with hash_of giving each name's hash; -1 when none does.
template <typename HashOf>
int base_degradation_entry(GameHash key, HashOf hash_of) {
    const std::vector<BaseDegradationEntry>& list = settings.base_degradation;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (hash_of(list[i].weapon_name.c_str()) == key) return static_cast<int>(i);
    }
    return -1;
}

// Whether firing dirties the shooter's weapon ([Player] or [NPC]
// firing_increases_dirt exactly 1).
bool fires_dirt(bool is_npc);
// The increment of one shot's firing dirt, drawn in [0.002, 0.020).
float draw_firing_dirt();
// The dirt firing leaves: the class's dirt_modifier times the whole sum of
// the opening dirt and the increment, unclamped.
float fired_dirt(float dirt, float increment, float dirt_modifier);

// What the roll selects: the crack is decided first.
ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll);

// Evaluates one shot, records it (shot_record.h) and plays its outcome.
void evaluate_shot(const PedWeaponReading& reading);
