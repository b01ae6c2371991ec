#pragma once
// Settings read from Barrelburst.ini: the scalar record, the per-class and
// per-shooter tables and the base-degradation list. All live in static
// storage for as long as the plugin is loaded; load_settings fills them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/types.h"

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

// The factors on the camera kick of a class's shots, each at its full
// effect (1 changes nothing). The file lists them in this order.
struct RecoilModifiers {
    float cold = 1.0f;             // at a fully cold barrel
    float heat = 1.0f;             // at a fully hot barrel
    float wear = 1.0f;             // of a fully worn weapon
    float dirt = 1.0f;             // of a fully dirty weapon
    float in_cover = 1.0f;         // the player in cover (player_state_a)
    float crouching = 1.0f;        // the player crouching (player_state_b)
    float combat_movement = 1.0f;  // the player in combat movement (player_state_c)
};
inline constexpr std::array<float RecoilModifiers::*, 7> recoil_modifier_order = {
    &RecoilModifiers::cold,     &RecoilModifiers::heat,      &RecoilModifiers::wear,
    &RecoilModifiers::dirt,     &RecoilModifiers::in_cover,  &RecoilModifiers::crouching,
    &RecoilModifiers::combat_movement};

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

// The classes that carry tuning, in the order the loader fills them; a
// TunedClass is one by its place here, the index of whatever is kept or
// counted per class.
enum class TunedClass : std::uint8_t { pistol, revolver, rifle, sniper, shotgun };
inline constexpr std::size_t tuned_class_count = 5;
inline constexpr std::array<WeaponClass, tuned_class_count> tuned_weapon_classes = {
    weapon_class::pistol, weapon_class::revolver, weapon_class::rifle, weapon_class::sniper, weapon_class::shotgun};
inline constexpr std::array<TunedClass, tuned_class_count> tuned_classes = {
    TunedClass::pistol, TunedClass::revolver, TunedClass::rifle, TunedClass::sniper, TunedClass::shotgun};
inline const char* class_name(TunedClass c) { return tuned_weapon_classes[static_cast<std::size_t>(c)]; }
// The tuned class of that name; none for "unknown" and any other text. A
// class the scan gave (one of the texts above) is found by its address.
std::optional<TunedClass> tuned_class_of(std::string_view name);
std::optional<TunedClass> tuned_class_of(WeaponClass name);

// One value per tuned class, indexed by the class.
template <typename T>
struct PerClass {
    std::array<T, tuned_class_count> values{};
    T& operator[](TunedClass c) { return values[static_cast<std::size_t>(c)]; }
    const T& operator[](TunedClass c) const { return values[static_cast<std::size_t>(c)]; }
};
inline constexpr std::array<const char*, 2> shooter_kinds = {"Player", "NPC"};

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

// What the chances read of a weapon class's tuning.
struct ClassChanceTuning {
    float min_dirt = 0.0f;
    float min_degradation = 0.0f;
    float expo_chance_mod = 0.0f;
    int expo_type = 0;
};
// The class's tuning, read from the per-class tables (with insertion) in the
// order min_dirt, min_degradation, expo_chance_mod, expo_type.
ClassChanceTuning class_chance_tuning(WeaponClass weapon_class);

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
