#include "effects/crack.h"

#include "common/rng.h"
#include "effects/blast.h"
#include "effects/particles.h"
#include "host/natives.h"

namespace {

constexpr float wear_cap = 0.99f;
constexpr float fall_chance = 0.21f;

// Lifts the value to the floor when the floor reaches it, capped; a value
// above the floor is kept as it was passed in.
float worn(float value, float floor) {
    if (floor >= value) return floor < wear_cap ? floor : wear_cap;
    return value;
}

}  // namespace

void crack_barrel(PedHandle ped, EntityHandle weapon_object, float dirt, float min_dirt, float degradation,
                  float min_degradation, int expo_type, bool is_npc) {
    blast_at_weapon(ped, weapon_object, is_npc, expo_type, crack_flash_effect(), crack_smoke_effect());

    // One wear draw in [0.06, 0.21) serves both floors.
    const float wear = scaled_draw(crack_wear_factor, 0.06f);
    WEAPON::_SET_WEAPON_DEGRADATION(weapon_object, worn(degradation, wear + min_degradation));
    WEAPON::_SET_WEAPON_DIRT(weapon_object, worn(dirt, wear + min_dirt), false);

    const float fall_roll = scaled_draw(unit_factor, 0.0f);
    if (fall_roll >= fall_chance) return;
    knock_down_shooter(ped, is_npc, &ragdoll_random_direction);
}
