#pragma once
// Settings read from Barrelburst.ini: the scalar record, the per-class and
// per-shooter tables and the base-degradation list. All live in static
// storage for as long as the plugin is loaded; load_settings fills them.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct BaseDegradationEntry {
    std::string weapon_name;  // the key as written in [Base_Degradation]
    float low = 0.0f;
    float high = 0.0f;
};

struct ModSettings {
    float maximum_chance_for_explosion = 0.0f;
    bool debug_mode = false;
    bool enable_native_ui = false;
    bool standing_in_water_washes_your_weapon = false;
    bool reload_when_changed = false;
    bool shot_log = false;
    std::string menu_key;
    bool menu_gamepad = false;
    bool enable_vfx = false;
    std::string fx_expo_dir;
    std::string fx_expo;
    float fx_expo_scale = 0.0f;
    std::string fx_crack_dir;
    std::string fx_crack;
    float fx_crack_scale = 0.0f;
    std::string fx_expo_smoke_dir;
    std::string fx_expo_smoke;
    float fx_expo_smoke_scale = 0.0f;
    std::string fx_crack_smoke_dir;
    std::string fx_crack_smoke;
    float fx_crack_smoke_scale = 0.0f;
    std::string fx_heat_smoke_dir;
    std::string fx_heat_smoke;
    float fx_heat_smoke_scale = 0.0f;
    bool enable_recoil = false;
    bool enable_smoke_from_heat = false;
    std::vector<BaseDegradationEntry> base_degradation;
};

struct RecoilRange {
    float low;
    float high;
};
using RecoilModifiers = std::array<float, 7>;

// Seven tables keyed by the weapon class text. The two recoil tables are only
// searched; the other five are read with insertion (a missing key is added
// with 0 and reads 0).
struct ClassTuning {
    std::unordered_map<std::string, RecoilRange> recoil;
    std::unordered_map<std::string, RecoilModifiers> recoil_modifiers;
    std::map<std::string, float> dirt_modifier;
    std::map<std::string, float> min_dirt;
    std::map<std::string, float> min_degradation;
    std::map<std::string, float> expo_chance_mod;
    std::map<std::string, int> expo_type;
};

// Five tables keyed by the shooter kind text, "Player" or "NPC", all read
// with insertion. A switch counts as on only when it equals exactly 1.
struct ShooterTuning {
    std::map<std::string, int> enable_ragdoll;
    std::map<std::string, int> enable_explosion;
    std::map<std::string, int> disable_damage;
    std::map<std::string, float> damage_modifier;
    std::map<std::string, int> firing_increases_dirt;
};

extern ModSettings settings;
extern ClassTuning class_tuning;
extern ShooterTuning shooter_tuning;

inline constexpr const char* settings_file_name = "Barrelburst.ini";

// The classes that carry tuning, in the order the loader fills them.
inline constexpr std::array<const char*, 5> tuned_weapon_classes = {"pistol", "revolver", "rifle",
                                                                    "sniper", "shotgun"};
inline constexpr std::array<const char*, 2> shooter_kinds = {"Player", "NPC"};

// Reads Barrelburst.ini from the working directory and fills every setting.
// Never fails: a missing or unreadable file gives the defaults.
void load_settings();
// The whole file; nothing when it is missing, unreadable or too large.
std::optional<std::string> read_settings_file();
// The same from the file's bytes.
void load_settings_from_text(std::string text);

// Releases the stored fx_expo and fx_crack texts (library unload).
void release_effect_names();

// Insert-on-miss reads, for the readers of the per-class and per-shooter tables.
template <typename Value>
inline Value read_table(std::map<std::string, Value>& table, const char* key) {
    return table[key];
}
inline bool switch_on(std::map<std::string, int>& table, const char* key) {
    return table[key] == 1;
}

// Search-only reads of the two recoil tables: an absent class gives nullptr
// and the table is left as it was; the caller applies its own fallback.
inline const RecoilRange* find_recoil(const char* weapon_class) {
    const auto found = class_tuning.recoil.find(weapon_class);
    return found == class_tuning.recoil.end() ? nullptr : &found->second;
}
inline const RecoilModifiers* find_recoil_modifiers(const char* weapon_class) {
    const auto found = class_tuning.recoil_modifiers.find(weapon_class);
    return found == class_tuning.recoil_modifiers.end() ? nullptr : &found->second;
}
