#pragma once
// Particle effects: one-shot effects on an entity and the looped heat smoke,
// each after its asset dictionary has loaded (bounded wait).

#include <cstdint>

#include "common/types.h"

// One configured effect; the texts belong to the settings.
struct EffectSpec {
    const char* dictionary;
    const char* effect;
    float scale;
};

inline constexpr int EffectAssetWaitLimit = 301;

// The one game object whose handle the plugin keeps: the running heat
// smoke's, 0 for none.
struct HeatSmokeState {
    int heat_smoke_handle = 0;
};
extern HeatSmokeState heat_smoke;

EffectSpec explosion_flash_effect();
EffectSpec explosion_smoke_effect();
EffectSpec crack_flash_effect();
EffectSpec crack_smoke_effect();
EffectSpec heat_smoke_effect();

// Hashes, requests and waits for the dictionary; whether it is loaded.
bool ensure_effect_asset(const char* dictionary);
// Starts the effect once on the entity, if its dictionary loads.
void play_entity_effect(const EffectSpec& effect, EntityHandle entity);
void start_heat_smoke(EntityHandle weapon_object);
void stop_heat_smoke();
// The start native with the effect's twelve arguments; its first result slot.
std::int32_t start_entity_effect(std::uint64_t start_native, const char* effect_name, EntityHandle entity,
                                 float scale);
