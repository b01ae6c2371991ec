#pragma once
// Every setting as text, floats by their exact bits: two loads gave the same
// settings exactly when their dumps are equal.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/settings.h"

namespace test {

inline std::string exact(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}

inline std::string settings_dump() {
    std::string out;
    const auto line = [&out](const std::string& name, const std::string& value) {
        out += name + "=" + value + "\n";
    };
    const auto flag = [](bool on) { return std::string(on ? "on" : "off"); };
    const ModSettings& s = settings;
    line("maximum_chance_for_explosion", exact(s.maximum_chance_for_explosion));
    line("debug_mode", flag(s.debug_mode));
    line("enable_native_ui", flag(s.enable_native_ui));
    line("standing_in_water_washes_your_weapon", flag(s.standing_in_water_washes_your_weapon));
    line("enable_vfx", flag(s.enable_vfx));
    line("fx_expo_dir", "'" + s.fx_expo_dir + "'");
    line("fx_expo", "'" + s.fx_expo + "'");
    line("fx_expo_scale", exact(s.fx_expo_scale));
    line("fx_crack_dir", "'" + s.fx_crack_dir + "'");
    line("fx_crack", "'" + s.fx_crack + "'");
    line("fx_crack_scale", exact(s.fx_crack_scale));
    line("fx_expo_smoke_dir", "'" + s.fx_expo_smoke_dir + "'");
    line("fx_expo_smoke", "'" + s.fx_expo_smoke + "'");
    line("fx_expo_smoke_scale", exact(s.fx_expo_smoke_scale));
    line("fx_crack_smoke_dir", "'" + s.fx_crack_smoke_dir + "'");
    line("fx_crack_smoke", "'" + s.fx_crack_smoke + "'");
    line("fx_crack_smoke_scale", exact(s.fx_crack_smoke_scale));
    line("fx_heat_smoke_dir", "'" + s.fx_heat_smoke_dir + "'");
    line("fx_heat_smoke", "'" + s.fx_heat_smoke + "'");
    line("fx_heat_smoke_scale", exact(s.fx_heat_smoke_scale));
    line("enable_recoil", flag(s.enable_recoil));
    line("enable_smoke_from_heat", flag(s.enable_smoke_from_heat));
    for (const BaseDegradationEntry& e : s.base_degradation) {
        line("base_degradation", "'" + e.weapon_name + "' " + exact(e.low) + "," + exact(e.high));
    }

    // The hash maps in key order, so that equal contents give equal text.
    std::map<std::string, RecoilRange> recoil(class_tuning.recoil.begin(), class_tuning.recoil.end());
    for (const auto& [key, range] : recoil) line("recoil[" + key + "]", exact(range.low) + "," + exact(range.high));
    std::map<std::string, RecoilModifiers> modifiers(class_tuning.recoil_modifiers.begin(),
                                                     class_tuning.recoil_modifiers.end());
    for (const auto& [key, m] : modifiers) {
        std::string value;
        for (float v : m) value += exact(v) + ",";
        line("recoil_modifiers[" + key + "]", value);
    }
    const auto floats = [&line](const char* name, const std::map<std::string, float>& table) {
        for (const auto& [key, value] : table) line(std::string(name) + "[" + key + "]", exact(value));
    };
    const auto ints = [&line](const char* name, const std::map<std::string, int>& table) {
        for (const auto& [key, value] : table) line(std::string(name) + "[" + key + "]", std::to_string(value));
    };
    floats("dirt_modifier", class_tuning.dirt_modifier);
    floats("min_dirt", class_tuning.min_dirt);
    floats("min_degradation", class_tuning.min_degradation);
    floats("expo_chance_mod", class_tuning.expo_chance_mod);
    ints("expo_type", class_tuning.expo_type);
    ints("enable_ragdoll", shooter_tuning.enable_ragdoll);
    ints("enable_explosion", shooter_tuning.enable_explosion);
    ints("disable_damage", shooter_tuning.disable_damage);
    floats("damage_modifier", shooter_tuning.damage_modifier);
    ints("firing_increases_dirt", shooter_tuning.firing_increases_dirt);
    return out;
}

}  // namespace test
