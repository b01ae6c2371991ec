#include "model/weapon_class.h"

WeaponClass classify_weapon(GameHash /*weapon_hash*/) { return weapon_class::unknown; }
