#pragma once
// The per-frame scan of the player and every other living ped, and the opening
// reading of each ped's weapon.

#include <cstdint>

#include "common/types.h"

inline constexpr int ped_array_size = 1024;

// What the opening reading gathers for one evaluation.
struct PedWeaponReading {
    PedHandle ped = 0;
    bool is_npc = false;
    GameHash weapon_hash = 0;
    WeaponClass weapon_class = weapon_class::unknown;
    EntityHandle weapon_object = 0;
    float temperature = 0.0f;
    float temperature_factor = 0.0f;
    bool shooting = false;
    float dirt = 0.0f;
};

// The player's weapon as this pass's scan found it in hand: a known class,
// its object and its dirt (the settings menu shows it); "unknown" until the
// scan finds one.
struct PlayerWeaponView {
    WeaponClass weapon_class = weapon_class::unknown;
    EntityHandle weapon_object = 0;
    float dirt = 0.0f;
};
extern PlayerWeaponView player_weapon_view;

// The scan's two gates, from [Player] and [NPC] enable_explosion: the player
// is evaluated only when it is exactly 1, NPCs whenever it is not 0.
bool player_scan_on();
bool npc_scan_on();

void scan_peds();
void evaluate_ped_weapon(PedHandle ped, bool is_npc);
