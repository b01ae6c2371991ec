#include "model/ped_scan.h"

#include <array>
#include <cmath>
#include <cstring>

#include "common/numeric.h"
#include "config/settings.h"
#include "host/host_api.h"
#include "host/natives.h"
#include "model/barrel.h"
#include "model/shot_eval.h"
#include "model/weapon_class.h"

namespace {

// 1/450: the share of the ambient temperature that goes into the barrel.
constexpr float temperature_scale = 0.0022222223f;
// A reading of exactly 0 degrees is kept just above freezing.
constexpr float zero_temperature = 0.0001f;

}  // namespace

PlayerWeaponView player_weapon_view;

bool player_scan_on() { return read_table(shooter_tuning.enable_explosion, shooter_kind::player) == 1; }

bool npc_scan_on() { return read_table(shooter_tuning.enable_explosion, shooter_kind::npc) != 0; }

void scan_peds() {
    player_weapon_view = PlayerWeaponView{};
    const Ped player = PLAYER::PLAYER_PED_ID();

    if (player_scan_on()) {
        if (!ENTITY::DOES_ENTITY_EXIST(player)) return;
        if (!PLAYER::IS_PLAYER_CONTROL_ON(PLAYER::PLAYER_ID())) return;
        if (PED::IS_PED_DEAD_OR_DYING(player, true)) return;
        evaluate_ped_weapon(player, false);
    }

    if (!npc_scan_on()) return;

    std::array<int, ped_array_size> peds{};
    int count = worldGetAllPeds(peds.data(), ped_array_size);
    // A host that reports more peds than the array holds must not make the
    // walk read past it.
    if (count < 0) count = 0;
    if (count > ped_array_size) count = ped_array_size;

    for (int i = 0; i < count; ++i) {
        const Ped ped = peds[static_cast<std::size_t>(i)];
        if (!ENTITY::DOES_ENTITY_EXIST(ped) || ped == player) continue;
        if (!PED::IS_PED_HUMAN(ped)) continue;
        if (PED::IS_PED_DEAD_OR_DYING(ped, true)) continue;
        evaluate_ped_weapon(ped, true);
    }
}

void evaluate_ped_weapon(PedHandle ped, bool is_npc) {
    PedWeaponReading reading;
    reading.ped = ped;
    reading.is_npc = is_npc;

    Hash weapon_hash = 0;
    const bool has_weapon = WEAPON::GET_CURRENT_PED_WEAPON(ped, &weapon_hash, true, 0, false);
    reading.weapon_hash = weapon_hash;
    // Classified before the answer is looked at.
    reading.weapon_class = classify_weapon(weapon_hash);
    if (!has_weapon) return;
    if (std::strcmp(reading.weapon_class, weapon_class::unknown) == 0) return;

    reading.weapon_object = WEAPON::_GET_PED_WEAPON_OBJECT(ped, true);

    const Vec3 position = ENTITY::GET_ENTITY_COORDS(ped, true, false);
    float temperature = MISC::_GET_TEMPERATURE_AT_COORDS(position.x, position.y, position.z);
    if (temperature == 0.0f || std::isnan(temperature)) temperature = zero_temperature;
    reading.temperature = temperature;
    reading.temperature_factor = temperature * temperature_scale;

    reading.shooting = PED::IS_PED_SHOOTING(ped);
    reading.dirt = clamp(WEAPON::_GET_WEAPON_DIRT(reading.weapon_object), 0.0f, 1.0f);
    if (!is_npc) player_weapon_view = {reading.weapon_class, reading.weapon_object, reading.dirt};

    if (reading.shooting) evaluate_shot(reading);
    if (!is_npc) barrel_upkeep(reading);
}
