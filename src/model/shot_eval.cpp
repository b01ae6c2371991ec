#include "model/shot_eval.h"

#include <cstdio>
#include <optional>

#include "common/rng.h"
#include "config/settings.h"
#include "effects/crack.h"
#include "effects/explosion.h"
#include "host/frame_loop.h"
#include "host/natives.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "model/shot_decision.h"
#include "model/shot_log.h"
#include "recoil/recoil.h"

// One pass of the frame loop never evaluates more shots than the ring holds.
static_assert(shot_record_capacity >= ped_array_size + 1);

namespace {

// Recoil and barrel heat of a player shot.
void player_shot(const PedWeaponReading& reading, ShotRecord& record) {
    float recoil_amount = 1.0f;
    if (const RecoilRange* recoil = find_recoil(reading.weapon_class)) {
        recoil_amount = uniform(recoil->low, recoil->high);
    }

    if (settings.enable_recoil) {
        const bool player_state_a = PED::IS_PED_IN_COVER(PLAYER::PLAYER_PED_ID(), false, false);
        const bool player_state_b = PED::GET_PED_CROUCH_MOVEMENT(PLAYER::PLAYER_PED_ID());
        const bool player_state_c = PED::GET_PED_COMBAT_MOVEMENT(PLAYER::PLAYER_PED_ID()) > 0;
        apply_shot_recoil(recoil_amount, reading.weapon_class, record.effective_degradation, reading.dirt,
                          player_state_a, player_state_b, player_state_c);
        record.kick = camera_kick.kick_amount;
    }
    add_shot_heat(recoil_amount, reading.temperature_factor);
}

// The shot in the game: its answers from the natives, its draws from ModRng.
struct GameShot {
    const PedWeaponReading& reading;

    float weapon_degradation() { return WEAPON::GET_WEAPON_DEGRADATION(reading.weapon_object); }
    bool base_degradation_on() { return ::base_degradation_on(); }
    std::optional<GameHash> relationship_group() { return PED::GET_PED_RELATIONSHIP_GROUP_HASH(reading.ped); }
    GameHash hash_of(const char* name) { return MISC::GET_HASH_KEY(name); }
    float base_degradation_draw(const BaseDegradationEntry& entry) { return uniform(entry.low, entry.high); }
    void before_firing_dirt(ShotRecord& record) {
        if (!reading.is_npc) player_shot(reading, record);
    }
    bool fires_dirt() { return ::fires_dirt(reading.is_npc); }
    float firing_dirt_draw() { return draw_firing_dirt(); }
    float dirt_modifier() { return read_table(class_tuning.dirt_modifier, reading.weapon_class); }
    void write_dirt(float dirt) { WEAPON::_SET_WEAPON_DIRT(reading.weapon_object, dirt, false); }
    ClassChanceTuning chance_tuning() { return class_chance_tuning(reading.weapon_class); }
    BarrelFigures barrel_figures() { return {barrel.barrel_heat, barrel.barrel_cold}; }
    float roll() { return uniform(0.0f, 1.0f); }
};

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

ShotRecords shot_records;

void evaluate_shot(const PedWeaponReading& reading) {
    ShotRecord& record = shot_records.ring[shot_records.written % shot_record_capacity];
    record = ShotRecord{};
    record.pass = frame_loop_pass;
    record.session_key = play_log.session_key;
    record.ped = reading.ped;
    record.is_npc = reading.is_npc;
    record.weapon_class = reading.weapon_class;
    record.weapon_hash = reading.weapon_hash;
    record.weapon_object = reading.weapon_object;
    record.temperature = reading.temperature;
    record.dirt = reading.dirt;

    GameShot game{reading};
    decide_shot(record, game);
    ++shot_records.written;
    // The log's row waits for the crack's wear; its room is made now, as
    // writing the rows that wait may show a banner.
    make_room_for_shot_row();

    if (settings.debug_mode) write_debug_line(record);

    if (record.outcome == ShotOutcome::crack) {
        crack_barrel(reading.ped, reading.weapon_object, record.tuning, reading.is_npc, [&record](float wear) {
            decide_crack_wear(record, wear);
            return CrackWear{record.degradation_written, record.dirt_written};
        });
    } else if (record.outcome == ShotOutcome::explosion) {
        explode_gun(reading.ped, reading.weapon_object, reading.weapon_hash, record.tuning.expo_type, reading.is_npc);
        decide_explosion_wear(record);
    }
    log_shot(record);
    if (reading.is_npc || record.outcome == ShotOutcome::none) return;
    show_notification(record.outcome == ShotOutcome::crack ? "Your Guns Barrel has Cracked!" : "Your Gun Exploded!");
}
