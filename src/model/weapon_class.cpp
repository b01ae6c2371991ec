#include "model/weapon_class.h"

#include "host/natives.h"

WeaponClass classify_weapon(GameHash weapon_hash) {
    if (WEAPON::IS_WEAPON_PISTOL(weapon_hash)) return weapon_class::pistol;
    if (WEAPON::IS_WEAPON_REVOLVER(weapon_hash)) return weapon_class::revolver;
    if (WEAPON::IS_WEAPON_REPEATER(weapon_hash)) return weapon_class::rifle;
    if (WEAPON::IS_WEAPON_RIFLE(weapon_hash)) return weapon_class::rifle;
    if (WEAPON::_IS_WEAPON_SNIPER(weapon_hash)) return weapon_class::sniper;
    if (WEAPON::IS_WEAPON_SHOTGUN(weapon_hash)) return weapon_class::shotgun;
    return weapon_class::unknown;
}
