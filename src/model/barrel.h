#pragma once
// The player's barrel heat and cold: the heat of each shot and the upkeep that
// runs in every player evaluation.

#include "common/types.h"
#include "model/ped_scan.h"

// The player's barrel, as it stands at load.
struct BarrelState {
    float barrel_heat = 0.0f;
    float barrel_cold = 0.0f;
    EntityHandle last_player_weapon_object = 0;  // the weapon at the last upkeep; 0: none yet
    bool heat_smoke_on = false;                  // the heat smoke is believed to be running
    int upkeep_counter = 0;                      // upkeeps since the last slow one
};
extern BarrelState barrel;

inline constexpr float heat_smoke_threshold = 0.5f;
inline constexpr int slow_upkeep_interval = 100;

// Adds one player shot's heat (or works off its cold).
void add_shot_heat(float recoil_amount, float temperature_factor);
// The dirt one wash in water leaves: 0.03 less down to 0.15, then 0.003 less
// down to 0.05; a weapon cleaner than that is left as it is.
float washed_dirt(float dirt);
// Weapon change, heat smoke, and on every 100th call washing, drift and the
// heat appearance.
void barrel_upkeep(const PedWeaponReading& reading);
