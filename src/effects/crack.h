#pragma once

#include "common/rng.h"
#include "common/types.h"
#include "config/settings.h"

// What a crack leaves on the weapon, written in this order.
struct CrackWear {
    float degradation;
    float dirt;
};

// The barrel crack: the blast with the class's explosion type, one wear
// draw, what wear_of makes of the wear written on the weapon (degradation,
// then dirt), and a 0.21 chance of a fall. Returns the wear.
template <typename WearOf>
float crack_barrel(PedHandle ped, EntityHandle weapon_object, const ClassChanceTuning& tuning, bool is_npc,
                   WearOf wear_of);

// The wear of one crack, drawn in [0.06, 0.21).
float draw_crack_wear(ModRng& rng = mod_rng);

// The crack's three parts, in the order crack_barrel plays them.
void crack_blast(PedHandle ped, EntityHandle weapon_object, int expo_type, bool is_npc);
void write_crack_wear(EntityHandle weapon_object, CrackWear wear);
void roll_crack_fall(PedHandle ped, bool is_npc);

template <typename WearOf>
float crack_barrel(PedHandle ped, EntityHandle weapon_object, const ClassChanceTuning& tuning, bool is_npc,
                   WearOf wear_of) {
    crack_blast(ped, weapon_object, tuning.expo_type, is_npc);
    // One wear draw serves both values.
    const float wear = draw_crack_wear();
    write_crack_wear(weapon_object, wear_of(wear));
    roll_crack_fall(ped, is_npc);
    return wear;
}
