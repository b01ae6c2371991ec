#include "effects/particles.h"

#include "config/settings.h"

int heat_smoke_handle = 0;

EffectSpec explosion_flash_effect() {
    return {settings.fx_expo_dir.c_str(), settings.fx_expo.c_str(), settings.fx_expo_scale};
}
EffectSpec explosion_smoke_effect() {
    return {settings.fx_expo_smoke_dir.c_str(), settings.fx_expo_smoke.c_str(), settings.fx_expo_smoke_scale};
}
EffectSpec crack_flash_effect() {
    return {settings.fx_crack_dir.c_str(), settings.fx_crack.c_str(), settings.fx_crack_scale};
}
EffectSpec crack_smoke_effect() {
    return {settings.fx_crack_smoke_dir.c_str(), settings.fx_crack_smoke.c_str(), settings.fx_crack_smoke_scale};
}
EffectSpec heat_smoke_effect() {
    return {settings.fx_heat_smoke_dir.c_str(), settings.fx_heat_smoke.c_str(), settings.fx_heat_smoke_scale};
}

bool ensure_effect_asset(const char* /*dictionary*/) { return false; }
void play_entity_effect(const EffectSpec& /*effect*/, EntityHandle /*entity*/) {}
void start_heat_smoke(EntityHandle /*weapon_object*/) {}
void stop_heat_smoke() {}
std::int32_t start_entity_effect(std::uint64_t, const char*, EntityHandle, float) { return 0; }
