#include "config/settings_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "config/ini_names.h"

namespace {

using S = ModSettings;
using C = ClassTuning;
using T = ShooterTuning;

constexpr float infinity = std::numeric_limits<float>::infinity();

constexpr ValueRange size_range{0.0f, infinity, false, "a negative size means nothing to the game"};

// The numbers of the two kinds of list, by name.
constexpr const char* pair_elements[] = {"low", "high"};
constexpr const char* seven_elements[] = {"cold",     "heat",      "wear",           "dirt",
                                          "in cover", "crouching", "combat movement"};

// Groups of rows read together (see SettingKey::read_group).
enum Group : int {
    main_keys,
    effects,
    recoil_switch,
    heat,
    recoil_pairs,
    recoil_modifiers,
    shooters,
    classes,
    base_degradation,
};

const SettingKey rows[] = {
    // [Main]
    {KeyScope::single, "Main", "maximum_chance_for_explosion", ValueKind::number, "0.36", nullptr, true,
     {0.0f, 1.0f, false,
      "above 1 a term is no longer capped below 1, so the chances grow past what a cap means; below 0 every "
      "term is below 0: no explosions, and cracks only at the 0.002 floor"},
     "cap on each failure term (dirt or wear past its class threshold) before the class factor",
     &S::maximum_chance_for_explosion, main_keys},
    {KeyScope::single, "Main", "debug_mode", ValueKind::flag, "0", nullptr, false, {},
     "shows the figures of the last evaluated shot at the left edge of the screen", &S::debug_mode, main_keys},
    {KeyScope::single, "Main", "enable_native_UI", ValueKind::flag, "1", nullptr, false, {},
     "shows a banner when your own gun cracks or explodes", &S::enable_native_ui, main_keys},
    {KeyScope::single, "Main", "standing_in_water_washes_your_weapon", ValueKind::flag, "1", nullptr, false, {},
     "standing in water slowly washes the dirt off your weapon", &S::standing_in_water_washes_your_weapon,
     main_keys},
    {KeyScope::single, "Main", "reload_when_changed", ValueKind::flag, "0", nullptr, false, {},
     "reads the file again while the game runs, about a second after it was saved", &S::reload_when_changed,
     main_keys},
    {KeyScope::single, "Main", "shot_log", ValueKind::flag, "0", nullptr, false, {},
     "writes every shot of the game to Barrelburst-shots.csv beside this file, for barrelburst-sim's log command",
     &S::shot_log, main_keys},
    {KeyScope::single, "Main", "menu_key", ValueKind::text, "F7", nullptr, false, {},
     "the key that opens and closes the settings menu in the game (F1-F24, A-Z, 0-9, NUMPAD0-NUMPAD9, INSERT, "
     "DELETE, HOME, END, PAGEUP, PAGEDOWN); empty: no menu",
     &S::menu_key, main_keys},
    {KeyScope::single, "Main", "menu_gamepad", ValueKind::flag, "0", nullptr, false, {},
     "the settings menu also opens and closes with RB and D-pad left held together on a controller",
     &S::menu_gamepad, main_keys},

    // [VFX_Effects]
    {KeyScope::single, "VFX_Effects", "enable_vfx", ValueKind::flag, "1", nullptr, false, {},
     "plays the particle effects of cracks, explosions and a hot barrel", &S::enable_vfx, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo_dir", ValueKind::text, "core", nullptr, false, {},
     "dictionary of the gun explosion's flash", &S::fx_expo_dir, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo", ValueKind::text, "exp_air_dynamite_volatile", nullptr, false, {},
     "effect of the gun explosion's flash", &S::fx_expo, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo_scale", ValueKind::number, "0.2", nullptr, true, size_range,
     "size of the gun explosion's flash", &S::fx_expo_scale, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack_dir", ValueKind::text, "core", nullptr, false, {},
     "dictionary of the barrel crack's flash", &S::fx_crack_dir, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack", ValueKind::text, "exp_air_dynamite", nullptr, false, {},
     "effect of the barrel crack's flash", &S::fx_crack, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack_scale", ValueKind::number, "0.1", nullptr, true, size_range,
     "size of the barrel crack's flash", &S::fx_crack_scale, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo_smoke_dir", ValueKind::text, "core", nullptr, false, {},
     "dictionary of the gun explosion's smoke", &S::fx_expo_smoke_dir, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo_smoke", ValueKind::text, "exp_grd_smoke_post_volatile", nullptr,
     false, {}, "effect of the gun explosion's smoke", &S::fx_expo_smoke, effects},
    {KeyScope::single, "VFX_Effects", "fx_expo_smoke_scale", ValueKind::number, "0.3", nullptr, true, size_range,
     "size of the gun explosion's smoke", &S::fx_expo_smoke_scale, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack_smoke_dir", ValueKind::text, "core", nullptr, false, {},
     "dictionary of the barrel crack's smoke", &S::fx_crack_smoke_dir, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack_smoke", ValueKind::text, "exp_grd_smoke_post", nullptr, false, {},
     "effect of the barrel crack's smoke", &S::fx_crack_smoke, effects},
    {KeyScope::single, "VFX_Effects", "fx_crack_smoke_scale", ValueKind::number, "0.15", nullptr, true, size_range,
     "size of the barrel crack's smoke", &S::fx_crack_smoke_scale, effects},
    {KeyScope::single, "VFX_Effects", "fx_heat_smoke_dir", ValueKind::text, "scr_generic", nullptr, false, {},
     "dictionary of the smoke on a hot barrel", &S::fx_heat_smoke_dir, effects},
    {KeyScope::single, "VFX_Effects", "fx_heat_smoke", ValueKind::text, "env_smoke", nullptr, false, {},
     "effect of the smoke on a hot barrel", &S::fx_heat_smoke, effects},
    {KeyScope::single, "VFX_Effects", "fx_heat_smoke_scale", ValueKind::number, "0.01", nullptr, true, size_range,
     "size of the smoke on a hot barrel", &S::fx_heat_smoke_scale, effects},

    // [Recoil] and [Heat] switches
    {KeyScope::single, "Recoil", "enable_recoil", ValueKind::flag, "1", nullptr, false, {},
     "each of your shots kicks the camera up", &S::enable_recoil, recoil_switch},
    {KeyScope::single, "Heat", "enable_smoke_from_heat", ValueKind::flag, "1", nullptr, false, {},
     "smoke rises from your barrel while its heat is 0.5 or more", &S::enable_smoke_from_heat, heat},

    // Per class: recoil, then its modifiers
    {KeyScope::per_class, "Recoil", "_recoil", ValueKind::pair, "1.0,2.0", nullptr, true,
     {0.0f, infinity, false, "a negative recoil amount gives no camera kick and cools the barrel on each shot"},
     "low,high: each of your shots draws its recoil amount between the two", &C::recoil, recoil_pairs, pair_elements},
    {KeyScope::per_class, "RecoilModifiers", "_recoil_modifiers", ValueKind::seven, "1.0,1.0,1.0,1.0,1.0,1.0,1.0",
     nullptr, true, {0.0f, infinity, false, "a negative factor turns the kick negative: the camera gets no kick"},
     "factors on your camera kick: cold, heat, wear, dirt, in cover, crouching, combat movement",
     &C::recoil_modifiers, recoil_modifiers, seven_elements},

    // [Player] and [NPC]
    {KeyScope::per_shooter, nullptr, "enable_ragdoll", ValueKind::exact_switch, "1", nullptr, false, {},
     "a failure can knock the shooter down", &T::enable_ragdoll, shooters},
    {KeyScope::per_shooter, nullptr, "enable_explosion", ValueKind::exact_switch, "1", nullptr, false, {},
     "the shooter's shots are watched, and failures play their flash, smoke and game explosion",
     &T::enable_explosion, shooters},
    {KeyScope::per_shooter, nullptr, "disable_damage", ValueKind::exact_switch, "1", nullptr, false, {},
     "the failure's game explosion does no damage", &T::disable_damage, shooters},
    {KeyScope::per_shooter, nullptr, "damage_modifier", ValueKind::number, "0.01", nullptr, true,
     {0.0f, infinity, false, "a negative damage scale means nothing to the game"},
     "damage of the failure's explosion when damage is on: a random 0.1 to 0.5 times this",
     &T::damage_modifier, shooters},
    {KeyScope::per_shooter, nullptr, "firing_increases_dirt", ValueKind::exact_switch, "1", nullptr, false, {},
     "every shot adds a little dirt to the weapon", &T::firing_increases_dirt, shooters},

    // Per class: failure tuning
    {KeyScope::per_class, "Dirt_Increase", "_dirt_modifier", ValueKind::number, "1.0", nullptr, true,
     {0.0f, infinity, false, "a negative factor sets the dirt below 0: every shot leaves the weapon clean"},
     "on each shot the weapon's dirt becomes (dirt + 0.002 to 0.020) times this", &C::dirt_modifier, classes},
    {KeyScope::per_class, "Min_Dirt_To_Explode", "_min_dirt", ValueKind::number, "0.5", nullptr, true,
     {0.0f, 1.0f, true,
      "the excess over it is divided by 1 minus it: at 1 the dirt term is always 0, so the class never "
      "explodes; above 1 the term grows as the weapon gets cleaner"},
     "dirt above which dirt adds to the failure chances", &C::min_dirt, classes},
    {KeyScope::per_class, "Min_Degradation_To_Explode", "_min_degradation", ValueKind::number, "0.5", nullptr, true,
     {0.0f, 1.0f, true,
      "the excess over it is divided by 1 minus it: at 1 the wear term is always 0, so the class never "
      "explodes and cracks only at the 0.002 floor; above 1 the term grows as the weapon gets newer"},
     "degradation above which wear adds to the failure chances; cracks happen up to twice this",
     &C::min_degradation, classes},
    {KeyScope::per_class, "Expo_Chance", "_expo_chance_mod", ValueKind::number, "0.33", nullptr, true,
     {0.0f, infinity, false, "a negative factor makes both terms negative: no explosions, cracks only at the 0.002 "
                            "floor"},
     "factor on the dirt and wear terms of both failure chances", &C::expo_chance_mod, classes},
    {KeyScope::per_class, "Expo_Type", "_expo_type", ValueKind::whole_number, "23", nullptr, false, {},
     "the game's explosion type of the class's crack and explosion blast", &C::expo_type, classes},

    // [Base_Degradation]
    {KeyScope::any_key, "Base_Degradation", "<relationship group>", ValueKind::pair, "", "0,0", true,
     {0.0f, 1.0f, false, "degradation runs from 0 (new) to 1 (worn out); a draw outside it is used as it is"},
     "low,high: the NPCs of that relationship group carry worn guns, a degradation drawn between the two",
     &S::base_degradation, base_degradation, pair_elements},
};

}  // namespace

const std::span<const SettingKey> settings_table{rows};

namespace {

// Every key a row stands for.
std::vector<SettingName> names_of(const SettingKey& row) {
    std::vector<SettingName> names;
    switch (row.scope) {
        case KeyScope::single:
            names.push_back({&row, nullptr, row.section, row.key});
            break;
        case KeyScope::per_class:
            for (const char* weapon : tuned_weapon_classes) {
                names.push_back({&row, weapon, row.section, std::string(weapon) + row.key});
            }
            break;
        case KeyScope::per_shooter:
            for (const char* kind : shooter_kinds) names.push_back({&row, kind, kind, row.key});
            break;
        case KeyScope::any_key:
            break;
    }
    return names;
}

std::vector<SettingName> make_setting_names() {
    std::vector<SettingName> names;
    for (std::size_t first = 0; first < settings_table.size();) {
        std::size_t end = first + 1;
        while (end < settings_table.size() && settings_table[end].read_group == settings_table[first].read_group) {
            ++end;
        }
        const KeyScope scope = settings_table[first].scope;
        if (scope == KeyScope::per_class || scope == KeyScope::per_shooter) {
            // The instance loop outside, the rows of the group inside.
            const std::size_t instances = scope == KeyScope::per_class ? tuned_weapon_classes.size()
                                                                       : shooter_kinds.size();
            for (std::size_t i = 0; i < instances; ++i) {
                for (std::size_t r = first; r < end; ++r) names.push_back(names_of(settings_table[r])[i]);
            }
        } else {
            for (std::size_t r = first; r < end; ++r) {
                for (SettingName& name : names_of(settings_table[r])) names.push_back(std::move(name));
            }
        }
        first = end;
    }
    for (std::size_t i = 0; i < names.size(); ++i) names[i].index = static_cast<int>(i);
    return names;
}

}  // namespace

const std::vector<SettingName>& all_setting_names() {
    static const std::vector<SettingName> names = make_setting_names();
    return names;
}

const SettingSection* section_named(std::string_view name) {
    for (const SettingSection& section : settings_sections) {
        if (same_ini_name(section.name, name)) return &section;
    }
    return nullptr;
}

namespace {

// x rounded up to the first of 1, 2, 5 and 10 times a power of ten.
double rounded_up(double x) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(x)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= x) return factor * magnitude;
    }
    return 10.0 * magnitude;
}

double finite_or_zero(double x) { return std::isfinite(x) ? x : 0.0; }

}  // namespace

SliderSpan slider_span(const SettingKey& row, float value) {
    const ValueRange range = row.has_range ? row.range : ValueRange{};
    const float low = std::isfinite(range.low) ? range.low : 0.0f;
    if (std::isfinite(range.high)) return {low, range.high};
    const double largest = std::max({2.0, 4.0 * finite_or_zero(std::atof(row.default_text)),
                                     1.5 * finite_or_zero(static_cast<double>(value))});
    const double high = std::min(rounded_up(largest), static_cast<double>(std::numeric_limits<float>::max()));
    return {low, static_cast<float>(high)};
}

float slider_step(SliderSpan span) {
    const double thousandth = (static_cast<double>(span.high) - static_cast<double>(span.low)) / 1000.0;
    return static_cast<float>(std::pow(10.0, std::floor(std::log10(thousandth))));
}

float menu_step(SliderSpan span) {
    return static_cast<float>((static_cast<double>(span.high) - static_cast<double>(span.low)) / 100.0);
}
