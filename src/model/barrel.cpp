#include "model/barrel.h"

float barrel_heat = 0.0f;
float barrel_cold = 0.0f;
EntityHandle last_player_weapon_object = 0;
bool heat_smoke_on = false;
int upkeep_counter = 0;

void add_shot_heat(float /*recoil_amount*/, float /*temperature_factor*/) {}
void barrel_upkeep(const PedWeaponReading& /*reading*/) {}
