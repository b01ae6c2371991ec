#include "effects/explosion.h"

#include <array>

#include "config/settings.h"
#include "effects/blast.h"
#include "effects/particles.h"
#include "host/natives.h"

namespace {

// Index 1 is asked only after 4.
constexpr std::array<int, 10> attach_point_order = {0, 2, 3, 4, 1, 5, 6, 7, 8, 9};
constexpr GameHash weapon_removal_reason = 0xD250A3F5;

// Without damage the shooter is thrown in a random direction, otherwise knocked out.
void explosion_fall(PedHandle ped, bool is_npc) {
    if (switch_on(shooter_tuning.disable_damage, shooter_kind_of(is_npc))) {
        ragdoll_random_direction(ped, is_npc);
    } else {
        knocked_out_fall(ped, is_npc);
    }
}

}  // namespace

void explode_gun(PedHandle ped, EntityHandle weapon_object, GameHash weapon_hash, int expo_type, bool is_npc) {
    blast_at_weapon(ped, weapon_object, is_npc, expo_type, explosion_flash_effect(), explosion_smoke_effect());

    WEAPON::_SET_WEAPON_DEGRADATION(weapon_object, 1.0f);
    WEAPON::_SET_WEAPON_DIRT(weapon_object, 1.0f, false);

    int attach_point = -1;
    for (const int candidate : attach_point_order) {
        if (WEAPON::_GET_WEAPON_ATTACH_POINT(ped, candidate) != 0) {
            attach_point = candidate;
            break;
        }
    }
    (void)WEAPON::MAKE_PED_DROP_WEAPON(ped, false, attach_point, false, false);

    const int inventory_id = INVENTORY::_INVENTORY_GET_INVENTORY_ID_FROM_PED(ped);
    (void)INVENTORY::_INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID(inventory_id, weapon_hash, 1,
                                                                  weapon_removal_reason);

    OBJECT::_SET_OBJECT_BURN_LEVEL(weapon_object, 1.0f, true);
    OBJECT::_SET_OBJECT_BURN_INTENSITY(weapon_object, 1.0f);
    OBJECT::_SET_OBJECT_BURN_OPACITY(weapon_object, 1.0f);
    OBJECT::BREAK_ALL_OBJECT_FRAGMENT_BONES(weapon_object);
    OBJECT::ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE(weapon_object);

    knock_down_shooter(ped, is_npc, &explosion_fall);
}
