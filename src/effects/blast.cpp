#include "effects/blast.h"

#include <cmath>

#include "common/rng.h"
#include "config/settings.h"
#include "host/natives.h"

void blast_at_weapon(PedHandle ped, EntityHandle weapon_object, bool is_npc, int explosion_type,
                     const EffectSpec& flash, const EffectSpec& smoke) {
    const ShooterKind kind = shooter_kind_of(is_npc);
    // Taken now: the effects below may wait many frames for their assets.
    const Vec3 position = ENTITY::GET_ENTITY_COORDS(weapon_object, true, false);

    float damage_scale = scaled_draw(damage_scale_factor, 0.1f);  // [0.1, 0.5)
    if (switch_on(shooter_tuning.disable_damage, kind)) {
        damage_scale = 0.0f;
    } else {
        damage_scale = damage_scale * read_table(shooter_tuning.damage_modifier, kind);
    }

    if (switch_on(shooter_tuning.enable_explosion, kind)) {
        play_entity_effect(flash, weapon_object);
        play_entity_effect(smoke, weapon_object);
        FIRE::ADD_EXPLOSION(position.x, position.y, position.z, explosion_type, damage_scale, true, false, 1.0f);
    }
    GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(ped);
}

void knock_down_shooter(PedHandle ped, bool is_npc, FallAction fall) {
    if (!switch_on(shooter_tuning.enable_ragdoll, shooter_kind_of(is_npc))) return;
    if (PED::GET_VEHICLE_PED_IS_USING(ped) != 0) {
        PED::KNOCK_PED_OFF_VEHICLE(ped);
        return;
    }
    fall(ped, is_npc);
}

void ragdoll_random_direction(PedHandle ped, bool is_npc) {
    const float c1 = scaled_draw(signed_unit_factor, -1.0f);  // [-1, 1)
    const float c2 = scaled_draw(signed_unit_factor, -1.0f);
    const float c3 = scaled_draw(signed_unit_factor, -1.0f);
    float x = c3;
    float y = c2;
    float z = c1;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 1e-06f) {
        const float inverse = 1.0f / length;
        x = x * inverse;
        y = y * inverse;
        z = z * inverse;
    } else {
        x = 0.0f;
        y = 0.0f;
        z = -1.0f;
    }
    // Tested here as well, so that the fall is safe to call on its own.
    if (!switch_on(shooter_tuning.enable_ragdoll, shooter_kind_of(is_npc))) return;
    (void)PED::SET_PED_TO_RAGDOLL_WITH_FALL(ped, 5000, 5000, 1, x, y, z, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                            0.0f);
}

void knocked_out_fall(PedHandle ped, bool /*is_npc*/) { TASK::TASK_KNOCKED_OUT(ped, 0.0f, false); }
