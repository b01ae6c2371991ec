#include "ini_format.h"

#include <algorithm>
#include <cstdio>

#include "config/settings.h"

namespace sim {

namespace {

std::string real_text(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}
std::string flag_text(bool value) { return value ? "on" : "off"; }
std::string quoted(const std::string& value) { return "\"" + value + "\""; }

std::vector<KnownKey> make_known_keys() {
    std::vector<KnownKey> keys;
    const auto add = [&](std::string section, std::string key, ValueKind kind, std::string default_text,
                         std::function<std::string()> effective, bool is_switch = false) {
        keys.push_back({std::move(section), std::move(key), kind, std::move(default_text), is_switch,
                        std::move(effective)});
    };
    const auto real = [](float* field) { return [field] { return real_text(*field); }; };
    const auto flag = [](bool* field) { return [field] { return flag_text(*field); }; };
    const auto text = [](std::string* field) { return [field] { return quoted(*field); }; };

    add("Main", "maximum_chance_for_explosion", ValueKind::real, "0.36", real(&settings.maximum_chance_for_explosion));
    add("Main", "debug_mode", ValueKind::flag, "0", flag(&settings.debug_mode));
    add("Main", "enable_native_UI", ValueKind::flag, "1", flag(&settings.enable_native_ui));
    add("Main", "standing_in_water_washes_your_weapon", ValueKind::flag, "1",
        flag(&settings.standing_in_water_washes_your_weapon));
    add("VFX_Effects", "enable_vfx", ValueKind::flag, "1", flag(&settings.enable_vfx));
    struct Effect {
        const char* stem;
        std::string* dir;
        std::string* name;
        float* scale;
        const char* dir_default;
        const char* name_default;
        const char* scale_default;
    };
    const Effect effects[] = {
        {"fx_expo", &settings.fx_expo_dir, &settings.fx_expo, &settings.fx_expo_scale, "core",
         "exp_air_dynamite_volatile", "0.2"},
        {"fx_crack", &settings.fx_crack_dir, &settings.fx_crack, &settings.fx_crack_scale, "core", "exp_air_dynamite",
         "0.1"},
        {"fx_expo_smoke", &settings.fx_expo_smoke_dir, &settings.fx_expo_smoke, &settings.fx_expo_smoke_scale, "core",
         "exp_grd_smoke_post_volatile", "0.3"},
        {"fx_crack_smoke", &settings.fx_crack_smoke_dir, &settings.fx_crack_smoke, &settings.fx_crack_smoke_scale,
         "core", "exp_grd_smoke_post", "0.15"},
        {"fx_heat_smoke", &settings.fx_heat_smoke_dir, &settings.fx_heat_smoke, &settings.fx_heat_smoke_scale,
         "scr_generic", "env_smoke", "0.01"},
    };
    for (const Effect& e : effects) {
        const std::string stem = e.stem;
        add("VFX_Effects", stem + "_dir", ValueKind::text, e.dir_default, text(e.dir));
        add("VFX_Effects", stem, ValueKind::text, e.name_default, text(e.name));
        add("VFX_Effects", stem + "_scale", ValueKind::real, e.scale_default, real(e.scale));
    }
    add("Recoil", "enable_recoil", ValueKind::flag, "1", flag(&settings.enable_recoil));
    add("Heat", "enable_smoke_from_heat", ValueKind::flag, "1", flag(&settings.enable_smoke_from_heat));

    for (const char* weapon : tuned_weapon_classes) {
        const std::string w = weapon;
        add("Recoil", w + "_recoil", ValueKind::pair, recoil_fallback, [w] {
            const auto it = class_tuning.recoil.find(w);
            if (it == class_tuning.recoil.end()) return std::string("(none)");
            return real_text(it->second.low) + ", " + real_text(it->second.high);
        });
    }
    for (const char* weapon : tuned_weapon_classes) {
        const std::string w = weapon;
        add("RecoilModifiers", w + "_recoil_modifiers", ValueKind::seven, modifiers_fallback, [w] {
            const auto it = class_tuning.recoil_modifiers.find(w);
            if (it == class_tuning.recoil_modifiers.end()) return std::string("(none)");
            std::string out;
            for (const float m : it->second) out += (out.empty() ? "" : ", ") + real_text(m);
            return out;
        });
    }
    for (const char* kind : shooter_kinds) {
        const std::string k = kind;
        add(k, "enable_ragdoll", ValueKind::integer, "1", [k] { return std::to_string(shooter_tuning.enable_ragdoll[k]); },
            true);
        add(k, "enable_explosion", ValueKind::integer, "1",
            [k] { return std::to_string(shooter_tuning.enable_explosion[k]); }, true);
        add(k, "disable_damage", ValueKind::integer, "1", [k] { return std::to_string(shooter_tuning.disable_damage[k]); },
            true);
        add(k, "damage_modifier", ValueKind::real, "0.01", [k] { return real_text(shooter_tuning.damage_modifier[k]); });
        add(k, "firing_increases_dirt", ValueKind::integer, "1",
            [k] { return std::to_string(shooter_tuning.firing_increases_dirt[k]); }, true);
    }
    for (const char* weapon : tuned_weapon_classes) {
        const std::string w = weapon;
        add("Dirt_Increase", w + "_dirt_modifier", ValueKind::real, "1.0",
            [w] { return real_text(class_tuning.dirt_modifier[w]); });
        add("Min_Dirt_To_Explode", w + "_min_dirt", ValueKind::real, "0.5",
            [w] { return real_text(class_tuning.min_dirt[w]); });
        add("Min_Degradation_To_Explode", w + "_min_degradation", ValueKind::real, "0.5",
            [w] { return real_text(class_tuning.min_degradation[w]); });
        add("Expo_Chance", w + "_expo_chance_mod", ValueKind::real, "0.33",
            [w] { return real_text(class_tuning.expo_chance_mod[w]); });
        add("Expo_Type", w + "_expo_type", ValueKind::integer, "23",
            [w] { return std::to_string(class_tuning.expo_type[w]); });
    }
    return keys;
}

}  // namespace

const std::vector<KnownKey>& known_keys() {
    static const std::vector<KnownKey> keys = make_known_keys();
    return keys;
}

const std::vector<std::string>& known_sections() {
    static const std::vector<std::string> sections = {
        "Main", "VFX_Effects", "Recoil", "RecoilModifiers", "Heat", "Player", "NPC", "Dirt_Increase",
        "Min_Dirt_To_Explode", "Min_Degradation_To_Explode", "Expo_Chance", "Expo_Type", base_degradation_section};
    return sections;
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool same_name(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

std::size_t edit_distance(const std::string& a_text, const std::string& b_text) {
    const std::string a = lower(a_text);
    const std::string b = lower(b_text);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t replace = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, replace});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace sim
