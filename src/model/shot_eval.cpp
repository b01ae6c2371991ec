#include "model/shot_eval.h"

#include <cmath>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "common/numeric.h"
#include "common/rng.h"
#include "config/settings.h"
#include "effects/crack.h"
#include "effects/explosion.h"
#include "host/frame_loop.h"
#include "host/natives.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "model/shot_log.h"
#include "recoil/recoil.h"

// One pass of the frame loop never evaluates more shots than the ring holds.
static_assert(shot_record_capacity >= ped_array_size + 1);
// The chances are single-precision powers.
static_assert(std::is_same_v<decltype(std::pow(1.0f, 1.0f)), float>);

namespace {

constexpr float firing_dirt_base = 0.002f;
// Added to heat and cold before they enter the chances, so that a cool barrel
// still has a chance.
constexpr float barrel_floor = 0.01f;
constexpr float crack_chance_floor = 0.002f;
constexpr float explosion_min_degradation = 0.5f;
constexpr float crack_degradation_ceiling = 0.99f;

// 0 when x is not at least 0 (NaN, negative or -inf), otherwise at most the
// maximum.
float cap(float x, float maximum) {
    if (!(x >= 0.0f)) return 0.0f;
    return x < maximum ? x : maximum;
}

// Excess of a value over its class threshold, normalised to the room left above it.
float excess(float value, float threshold, float expo_chance_mod, float maximum) {
    return cap((value - threshold) / (1.0f - threshold), maximum) * expo_chance_mod;
}

// The game's degradation, clamped; an NPC whose weapon shows none may draw
// one from the base-degradation list.
void settle_degradation(const PedWeaponReading& reading, ShotRecord& record) {
    record.game_degradation = WEAPON::GET_WEAPON_DEGRADATION(reading.weapon_object);
    record.effective_degradation = clamp(record.game_degradation, 0.0f, 1.0f);
    if (!asks_base_degradation(reading.is_npc, record.effective_degradation)) return;
    record.base_degradation_asked = true;
    record.base_degradation_key = PED::GET_PED_RELATIONSHIP_GROUP_HASH(reading.ped);
    const int entry = base_degradation_entry(record.base_degradation_key,
                                             [](const char* name) { return MISC::GET_HASH_KEY(name); });
    if (entry < 0) return;
    const BaseDegradationEntry& found = settings.base_degradation[static_cast<std::size_t>(entry)];
    record.effective_degradation = uniform(found.low, found.high);
    record.base_degradation = true;
    record.base_degradation_entry = entry;
}

// Recoil and barrel heat of a player shot.
void player_shot(const PedWeaponReading& reading, ShotRecord& record) {
    float recoil_amount = 1.0f;
    if (const RecoilRange* recoil = find_recoil(reading.weapon_class)) {
        recoil_amount = uniform(recoil->low, recoil->high);
    }

    if (settings.enable_recoil) {
        const bool in_cover = PED::IS_PED_IN_COVER(PLAYER::PLAYER_PED_ID(), false, false);
        const bool crouching = PED::GET_PED_CROUCH_MOVEMENT(PLAYER::PLAYER_PED_ID());
        const bool combat_movement = PED::GET_PED_COMBAT_MOVEMENT(PLAYER::PLAYER_PED_ID()) > 0;
        apply_shot_recoil(recoil_amount, reading.weapon_class, record.effective_degradation, reading.dirt, in_cover,
                          crouching, combat_movement);
        record.kick = kick_amount;
    }
    add_shot_heat(recoil_amount, reading.temperature_factor);
}

void add_firing_dirt(const PedWeaponReading& reading, ShotRecord& record) {
    record.firing_dirt = draw_firing_dirt();
    record.firing_dirt_drawn = true;
    const float modifier = read_table(class_tuning.dirt_modifier, reading.weapon_class);
    WEAPON::_SET_WEAPON_DIRT(reading.weapon_object, fired_dirt(reading.dirt, record.firing_dirt, modifier), false);
}

void write_debug_line(const ShotRecord& record) {
    char debug_line[debug_line_size];
    std::snprintf(debug_line, sizeof debug_line,
                  "[%s] Roll: %.3f\nDirt: %.3f | Degradation: %.3f\nExp: %.3f | Crack: %.3f\nHeat: %.3f | "
                  "Cold: %.3f\n",
                  record.weapon_class, static_cast<double>(record.roll), static_cast<double>(record.dirt),
                  static_cast<double>(record.effective_degradation),
                  static_cast<double>(record.chances.explosion_chance),
                  static_cast<double>(record.chances.crack_chance), static_cast<double>(record.heat),
                  static_cast<double>(record.cold));
    set_debug_overlay(debug_line);
}

}  // namespace

ShotRecord shot_records[shot_record_capacity];
std::uint64_t shot_records_written = 0;

ShotChances class_chance_tuning(WeaponClass weapon_class) {
    ShotChances tuning;
    tuning.min_dirt = read_table(class_tuning.min_dirt, weapon_class);
    tuning.min_degradation = read_table(class_tuning.min_degradation, weapon_class);
    tuning.expo_chance_mod = read_table(class_tuning.expo_chance_mod, weapon_class);
    tuning.expo_type = read_table(class_tuning.expo_type, weapon_class);
    return tuning;
}

ShotChances chances_with_tuning(const ShotChances& tuning, float dirt, float effective_degradation) {
    return chances_with_tuning(tuning, dirt, effective_degradation, settings.maximum_chance_for_explosion);
}

ShotChances chances_with_tuning(const ShotChances& tuning, float dirt, float effective_degradation,
                                float maximum_chance) {
    ShotChances chances = tuning;
    chances.dirt_term = excess(dirt, chances.min_dirt, chances.expo_chance_mod, maximum_chance);
    chances.degradation_term =
        excess(effective_degradation, chances.min_degradation, chances.expo_chance_mod, maximum_chance);

    const float h = barrel_heat + barrel_floor;
    const float c = barrel_cold + barrel_floor;
    float crack_chance = std::pow(c * h, 0.25f) * std::pow(chances.degradation_term, 0.4f) *
                         std::pow(chances.dirt_term + 0.01f, 0.3f);
    if (!(crack_chance >= crack_chance_floor)) crack_chance = crack_chance_floor;
    float explosion_chance = std::pow(h * chances.degradation_term, 0.2f) * std::pow(chances.dirt_term, 0.6f) *
                             std::pow(c, -0.25f);
    if (!(effective_degradation >= explosion_min_degradation)) explosion_chance = 0.0f;
    chances.crack_chance = crack_chance;
    chances.explosion_chance = explosion_chance;

    const float twice_min_degradation = 2.0f * chances.min_degradation;
    chances.crack_degradation_limit = 0.0f;
    if (twice_min_degradation >= 0.0f) {
        chances.crack_degradation_limit = twice_min_degradation < crack_degradation_ceiling
                                              ? twice_min_degradation
                                              : crack_degradation_ceiling;
    }
    return chances;
}

ShotChances shot_chances(WeaponClass weapon_class, float dirt, float effective_degradation) {
    return chances_with_tuning(class_chance_tuning(weapon_class), dirt, effective_degradation);
}

bool asks_base_degradation(bool is_npc, float effective_degradation) {
    return is_npc && switch_on(shooter_tuning.enable_explosion, shooter_kind::npc) && effective_degradation == 0.0f;
}

bool fires_dirt(bool is_npc) { return switch_on(shooter_tuning.firing_increases_dirt, shooter_kind_of(is_npc)); }

float draw_firing_dirt() { return scaled_draw(firing_dirt_factor, firing_dirt_base); }

float fired_dirt(float dirt, float increment, float dirt_modifier) {
    // The modifier scales the whole figure, the current dirt included; the
    // game keeps the value in range itself.
    return (increment + dirt) * dirt_modifier;
}

ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll) {
    if (roll < chances.crack_chance && effective_degradation <= chances.crack_degradation_limit) {
        return ShotOutcome::crack;
    }
    if (roll < chances.explosion_chance) return ShotOutcome::explosion;
    return ShotOutcome::none;
}

void evaluate_shot(const PedWeaponReading& reading) {
    ShotRecord& record = shot_records[shot_records_written % shot_record_capacity];
    record = ShotRecord{};
    record.pass = frame_loop_pass;
    record.ped = reading.ped;
    record.is_npc = reading.is_npc;
    record.weapon_class = reading.weapon_class;
    record.weapon_hash = reading.weapon_hash;
    record.weapon_object = reading.weapon_object;
    record.temperature = reading.temperature;
    record.dirt = reading.dirt;

    settle_degradation(reading, record);

    if (!reading.is_npc) player_shot(reading, record);
    if (fires_dirt(reading.is_npc)) add_firing_dirt(reading, record);

    record.chances = shot_chances(reading.weapon_class, reading.dirt, record.effective_degradation);
    record.heat = barrel_heat;
    record.cold = barrel_cold;
    record.roll = uniform(0.0f, 1.0f);
    record.outcome = shot_outcome(record.chances, record.effective_degradation, record.roll);
    ++shot_records_written;
    // The log's row waits for the crack's wear; its room is made now, as
    // writing the rows that wait may show a banner.
    make_room_for_shot_row();

    if (settings.debug_mode) write_debug_line(record);

    const ShotChances& chances = record.chances;
    if (record.outcome == ShotOutcome::crack) {
        record.crack_wear = crack_barrel(reading.ped, reading.weapon_object, reading.dirt, chances.min_dirt,
                                         record.effective_degradation, chances.min_degradation, chances.expo_type,
                                         reading.is_npc);
    } else if (record.outcome == ShotOutcome::explosion) {
        explode_gun(reading.ped, reading.weapon_object, reading.weapon_hash, chances.expo_type, reading.is_npc);
    }
    log_shot(record);
    if (reading.is_npc || record.outcome == ShotOutcome::none) return;
    show_notification(record.outcome == ShotOutcome::crack ? "Your Guns Barrel has Cracked!" : "Your Gun Exploded!");
}
