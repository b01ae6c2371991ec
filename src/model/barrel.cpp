#include "model/barrel.h"

#include "common/numeric.h"
#include "config/settings.h"
#include "effects/particles.h"
#include "host/natives.h"

BarrelState barrel;

namespace {

// 1/12 of the recoil amount goes into the barrel with every shot.
constexpr float shot_heat_per_recoil = 0.083333336f;
constexpr float shot_heat_base = 0.025f;

// Washing in water: a heavy step down to 0.15, then a light one down to 0.05.
constexpr float heavy_wash_from = 0.15f;
constexpr float heavy_wash_step = 0.03f;
constexpr float light_wash_from = 0.05f;
constexpr float light_wash_step = 0.003f;

// Drift with the weather, per slow upkeep.
constexpr float drift_base = 0.01f;
constexpr float drift_min = 0.01f;
constexpr float drift_max = 0.1f;
// An idle barrel warms up to just above this heat and then holds.
constexpr float warm_drift_ceiling = 0.5f;

constexpr float burn_level_scale = 0.1f;

float unit(float x) { return clamp(x, 0.0f, 1.0f); }

void wash_in_water(const PedWeaponReading& reading) {
    if (!(ENTITY::IS_ENTITY_IN_WATER(reading.ped) && settings.standing_in_water_washes_your_weapon)) return;
    if (reading.dirt >= light_wash_from) WEAPON::_SET_WEAPON_DIRT(reading.weapon_object, washed_dirt(reading.dirt), false);
}

}  // namespace

float washed_dirt(float dirt) {
    if (dirt >= heavy_wash_from) return clamp(dirt - heavy_wash_step, heavy_wash_from, 1.0f);
    if (dirt >= light_wash_from) return clamp(dirt - light_wash_step, light_wash_from, 1.0f);
    return dirt;
}

namespace {

void drift_with_weather(const PedWeaponReading& reading) {
    if (reading.temperature > 0.0f) {
        const float step = clamp(reading.temperature_factor + drift_base, drift_min, drift_max);
        if (barrel.barrel_cold > 0.0f) {
            barrel.barrel_cold = unit(barrel.barrel_cold - step);
        } else if (!(barrel.barrel_heat > warm_drift_ceiling)) {
            barrel.barrel_heat = unit(barrel.barrel_heat + step);
        }
    } else {
        const float step = clamp(drift_base - reading.temperature_factor, drift_min, drift_max);
        if (barrel.barrel_heat > 0.0f) {
            barrel.barrel_heat = unit(barrel.barrel_heat - step);
        } else {
            barrel.barrel_cold = unit(barrel.barrel_cold + step);
        }
    }
}

void show_heat(EntityHandle weapon_object) {
    const float level = barrel.barrel_heat > 0.0f ? barrel.barrel_heat : 0.0f;
    OBJECT::_SET_OBJECT_BURN_LEVEL(weapon_object, level * burn_level_scale, true);
    OBJECT::_SET_OBJECT_BURN_INTENSITY(weapon_object, level);
    OBJECT::_SET_OBJECT_BURN_OPACITY(weapon_object, level);
}

}  // namespace

void add_shot_heat(float recoil_amount, float temperature_factor) {
    const float inc = recoil_amount * shot_heat_per_recoil + shot_heat_base + temperature_factor;
    // A cold barrel first loses its cold; only a barrel without cold heats up.
    if (barrel.barrel_cold > 0.0f) {
        barrel.barrel_cold = unit(barrel.barrel_cold - inc);
    } else {
        barrel.barrel_heat = unit(barrel.barrel_heat + inc);
    }
}

void barrel_upkeep(const PedWeaponReading& reading) {
    if (barrel.last_player_weapon_object != 0 && barrel.last_player_weapon_object != reading.weapon_object) {
        if (barrel.heat_smoke_on) {
            stop_heat_smoke();
            barrel.heat_smoke_on = false;
        }
        barrel.barrel_heat = 0.0f;
        barrel.barrel_cold = 0.0f;
    }
    barrel.last_player_weapon_object = reading.weapon_object;

    if (settings.enable_smoke_from_heat) {
        // The flag goes first: a start that fails is not retried until the
        // heat has dropped below the threshold and come back.
        if (barrel.heat_smoke_on && barrel.barrel_heat < heat_smoke_threshold) {
            barrel.heat_smoke_on = false;
            stop_heat_smoke();
        } else if (!barrel.heat_smoke_on && barrel.barrel_heat >= heat_smoke_threshold) {
            barrel.heat_smoke_on = true;
            start_heat_smoke(reading.weapon_object);
        }
    }

    ++barrel.upkeep_counter;
    if (barrel.upkeep_counter < slow_upkeep_interval) return;
    barrel.upkeep_counter = 0;

    wash_in_water(reading);
    if (!reading.shooting) drift_with_weather(reading);
    show_heat(reading.weapon_object);
}
