#include "config/settings.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include <SimpleIni.h>

#include "config/ini_text.h"

ModSettings settings;
ClassTuning class_tuning;
ShooterTuning shooter_tuning;

namespace {

// The whole file, or nothing when it is missing, unreadable or too large.
std::string read_settings_file() {
    std::string text;
    std::FILE* file = std::fopen(settings_file_name, "rb");
    if (file == nullptr) return text;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            try {
                text.resize(static_cast<std::size_t>(size));
                const std::size_t got = std::fread(text.data(), 1, text.size(), file);
                if (got != text.size()) text.clear();
            } catch (const std::bad_alloc&) {
                text.clear();
            } catch (const std::length_error&) {
                // A directory of that name can report a size of LONG_MAX.
                text.clear();
            }
        }
    }
    std::fclose(file);
    return text;
}

const char* read_text(const CSimpleIniA& ini, const char* section, const char* key,
                      const char* fallback) {
    return ini.GetValue(section, key, fallback);
}
float read_float(const CSimpleIniA& ini, const char* section, const char* key, const char* fallback) {
    return static_cast<float>(std::atof(read_text(ini, section, key, fallback)));
}
int read_int(const CSimpleIniA& ini, const char* section, const char* key, const char* fallback) {
    return std::atoi(read_text(ini, section, key, fallback));
}
bool read_flag(const CSimpleIniA& ini, const char* section, const char* key, const char* fallback) {
    return read_int(ini, section, key, fallback) != 0;
}

RecoilRange scan_pair(const char* text, RecoilRange fallback) {
    float first = 0.0f;
    float second = 0.0f;
    if (std::sscanf(text, "%f,%f", &first, &second) == 2) return {first, second};
    return fallback;
}

RecoilModifiers scan_modifiers(const char* text) {
    RecoilModifiers m{};
    if (std::sscanf(text, "%f,%f,%f,%f,%f,%f,%f", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5],
                    &m[6]) == 7) {
        return m;
    }
    return {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
}

// One effect of [VFX_Effects]: its dictionary (key + "_dir"), its name (key)
// and its scale (key + "_scale"), read in that order.
void read_effect(const CSimpleIniA& ini, const char* key, const char* dictionary_default, const char* name_default,
                 const char* scale_default, std::string& dictionary, std::string& name, float& scale) {
    const std::string stem(key);
    dictionary = read_text(ini, "VFX_Effects", (stem + "_dir").c_str(), dictionary_default);
    name = read_text(ini, "VFX_Effects", key, name_default);
    scale = read_float(ini, "VFX_Effects", (stem + "_scale").c_str(), scale_default);
}

}  // namespace


void load_settings() {
    settings.base_degradation.clear();

    CSimpleIniA ini;
    {
        const std::string text = drop_unclosed_section_lines(read_settings_file());
        if (!text.empty()) ini.LoadData(text.data(), text.size());
    }

    settings.maximum_chance_for_explosion =
        read_float(ini, "Main", "maximum_chance_for_explosion", "0.36");
    settings.debug_mode = read_flag(ini, "Main", "debug_mode", "0");
    settings.enable_native_ui = read_flag(ini, "Main", "enable_native_UI", "1");
    settings.standing_in_water_washes_your_weapon =
        read_flag(ini, "Main", "standing_in_water_washes_your_weapon", "1");

    settings.enable_vfx = read_flag(ini, "VFX_Effects", "enable_vfx", "1");
    read_effect(ini, "fx_expo", "core", "exp_air_dynamite_volatile", "0.2", settings.fx_expo_dir, settings.fx_expo,
                settings.fx_expo_scale);
    read_effect(ini, "fx_crack", "core", "exp_air_dynamite", "0.1", settings.fx_crack_dir, settings.fx_crack,
                settings.fx_crack_scale);
    read_effect(ini, "fx_expo_smoke", "core", "exp_grd_smoke_post_volatile", "0.3", settings.fx_expo_smoke_dir,
                settings.fx_expo_smoke, settings.fx_expo_smoke_scale);
    read_effect(ini, "fx_crack_smoke", "core", "exp_grd_smoke_post", "0.15", settings.fx_crack_smoke_dir,
                settings.fx_crack_smoke, settings.fx_crack_smoke_scale);
    read_effect(ini, "fx_heat_smoke", "scr_generic", "env_smoke", "0.01", settings.fx_heat_smoke_dir,
                settings.fx_heat_smoke, settings.fx_heat_smoke_scale);

    settings.enable_recoil = read_flag(ini, "Recoil", "enable_recoil", "1");
    settings.enable_smoke_from_heat = read_flag(ini, "Heat", "enable_smoke_from_heat", "1");

    for (const char* weapon : tuned_weapon_classes) {
        const std::string key = std::string(weapon) + "_recoil";
        class_tuning.recoil[weapon] =
            scan_pair(read_text(ini, "Recoil", key.c_str(), "1.0,2.0"), {1.0f, 2.0f});
    }
    for (const char* weapon : tuned_weapon_classes) {
        const std::string key = std::string(weapon) + "_recoil_modifiers";
        class_tuning.recoil_modifiers[weapon] = scan_modifiers(
            read_text(ini, "RecoilModifiers", key.c_str(), "1.0,1.0,1.0,1.0,1.0,1.0,1.0"));
    }
    for (const char* kind : shooter_kinds) {
        shooter_tuning.enable_ragdoll[kind] = read_int(ini, kind, "enable_ragdoll", "1");
        shooter_tuning.enable_explosion[kind] = read_int(ini, kind, "enable_explosion", "1");
        shooter_tuning.disable_damage[kind] = read_int(ini, kind, "disable_damage", "1");
        shooter_tuning.damage_modifier[kind] = read_float(ini, kind, "damage_modifier", "0.01");
        shooter_tuning.firing_increases_dirt[kind] = read_int(ini, kind, "firing_increases_dirt", "1");
    }
    for (const char* weapon : tuned_weapon_classes) {
        const std::string w(weapon);
        class_tuning.dirt_modifier[w] =
            read_float(ini, "Dirt_Increase", (w + "_dirt_modifier").c_str(), "1.0");
        class_tuning.min_dirt[w] =
            read_float(ini, "Min_Dirt_To_Explode", (w + "_min_dirt").c_str(), "0.5");
        class_tuning.min_degradation[w] =
            read_float(ini, "Min_Degradation_To_Explode", (w + "_min_degradation").c_str(), "0.5");
        class_tuning.expo_chance_mod[w] =
            read_float(ini, "Expo_Chance", (w + "_expo_chance_mod").c_str(), "0.33");
        class_tuning.expo_type[w] = read_int(ini, "Expo_Type", (w + "_expo_type").c_str(), "23");
    }

    if (const CSimpleIniA::TKeyVal* section = ini.GetSection("Base_Degradation")) {
        for (const auto& [key, value] : *section) {
            const RecoilRange range = scan_pair(value, {0.0f, 0.0f});
            settings.base_degradation.push_back({key.pItem, range.low, range.high});
        }
    }
}

void release_effect_names() {
    std::string().swap(settings.fx_expo);
    std::string().swap(settings.fx_crack);
}
