#include "effects/crack.h"

#include "common/rng.h"
#include "effects/blast.h"
#include "effects/particles.h"
#include "host/natives.h"

namespace {

constexpr float wear_cap = 0.99f;
constexpr float fall_chance = 0.21f;

}  // namespace

float draw_crack_wear() { return scaled_draw(crack_wear_factor, 0.06f); }

float crack_lift(float value, float wear, float minimum) {
    const float floor = wear + minimum;
    if (floor >= value) return floor < wear_cap ? floor : wear_cap;
    return value;
}

float crack_barrel(PedHandle ped, EntityHandle weapon_object, float dirt, float min_dirt, float degradation,
                   float min_degradation, int expo_type, bool is_npc) {
    blast_at_weapon(ped, weapon_object, is_npc, expo_type, crack_flash_effect(), crack_smoke_effect());

    // One wear draw serves both floors.
    const float wear = draw_crack_wear();
    WEAPON::_SET_WEAPON_DEGRADATION(weapon_object, crack_lift(degradation, wear, min_degradation));
    WEAPON::_SET_WEAPON_DIRT(weapon_object, crack_lift(dirt, wear, min_dirt), false);

    const float fall_roll = scaled_draw(unit_factor, 0.0f);
    if (fall_roll < fall_chance) knock_down_shooter(ped, is_npc, &ragdoll_random_direction);
    return wear;
}
