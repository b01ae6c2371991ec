#include "effects/crack.h"

#include "common/rng.h"
#include "effects/blast.h"
#include "effects/particles.h"
#include "host/natives.h"

namespace {

constexpr float fall_chance = 0.21f;

}  // namespace

float draw_crack_wear(ModRng& rng) { return scaled_draw(crack_wear_factor, 0.06f, rng); }

void crack_blast(PedHandle ped, EntityHandle weapon_object, int expo_type, bool is_npc) {
    blast_at_weapon(ped, weapon_object, is_npc, expo_type, crack_flash_effect(), crack_smoke_effect());
}

void write_crack_wear(EntityHandle weapon_object, CrackWear wear) {
    WEAPON::_SET_WEAPON_DEGRADATION(weapon_object, wear.degradation);
    WEAPON::_SET_WEAPON_DIRT(weapon_object, wear.dirt, false);
}

void roll_crack_fall(PedHandle ped, bool is_npc) {
    const float fall_roll = scaled_draw(unit_factor, 0.0f);
    if (fall_roll < fall_chance) knock_down_shooter(ped, is_npc, &ragdoll_random_direction);
}
