#include "effects/particles.h"

#include <cstdio>

#include "config/settings.h"
#include "host/host_api.h"
#include "host/natives.h"

HeatSmokeState heat_smoke;

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

bool ensure_effect_asset(const char* dictionary) {
    const GameHash hash = MISC::GET_HASH_KEY(dictionary);
    if (!STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(hash)) {
        STREAMING::REQUEST_NAMED_PTFX_ASSET(hash);
        // The whole script stands still here, one frame per wait.
        for (int waited = 0; !STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(hash) && waited < EffectAssetWaitLimit;
             ++waited) {
            scriptWait(0);
        }
    }
    return STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(hash);
}

void play_entity_effect(const EffectSpec& effect, EntityHandle entity) {
    if (!settings.enable_vfx) return;
    if (!ensure_effect_asset(effect.dictionary)) return;
    GRAPHICS::USE_PARTICLE_FX_ASSET(effect.dictionary);
    (void)start_entity_effect(GRAPHICS::START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY_HASH, effect.effect,
                              entity, effect.scale);
}

void start_heat_smoke(EntityHandle weapon_object) {
    if (!settings.enable_vfx) return;
    const EffectSpec smoke = heat_smoke_effect();
    if (!ensure_effect_asset(smoke.dictionary)) {
        std::fputs("Can't load ptfx dictionary!\n", stdout);
        std::fflush(stdout);
        return;
    }
    GRAPHICS::USE_PARTICLE_FX_ASSET(smoke.dictionary);
    // A handle held before is overwritten; the caller stops the old smoke first.
    heat_smoke.heat_smoke_handle = start_entity_effect(GRAPHICS::START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY_HASH,
                                            smoke.effect, weapon_object, smoke.scale);
}

void stop_heat_smoke() {
    if (heat_smoke.heat_smoke_handle != 0 && GRAPHICS::DOES_PARTICLE_FX_LOOPED_EXIST(heat_smoke.heat_smoke_handle)) {
        GRAPHICS::REMOVE_PARTICLE_FX(heat_smoke.heat_smoke_handle, false);
    }
    heat_smoke.heat_smoke_handle = 0;
}

std::int32_t start_entity_effect(std::uint64_t start_native, const char* effect_name, EntityHandle entity,
                                 float scale) {
    // No offset from the entity, turned -90 degrees about the first axis.
    return GRAPHICS::start_particle_fx_on_entity(start_native, effect_name, entity, 0.0f, 0.0f, 0.0f, -90.0f,
                                                 0.0f, 0.0f, scale, false, false, false);
}
