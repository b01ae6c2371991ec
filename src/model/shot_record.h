#pragma once
// The record of every shot the plugin evaluates: the figures the chances were
// made of, the chances, the roll and the outcome it selected. The recent
// records stay in a fixed ring with a running count, so that a reader who
// remembers the count it last saw finds every shot since; the debug overlay
// is written from the last one.

#include <cstdint>

#include "common/types.h"
#include "config/settings.h"

// The chances of one shot: the two terms, the two chances and the highest
// degradation that can still crack.
struct ShotChances {
    float dirt_term = 0.0f;
    float degradation_term = 0.0f;
    float crack_chance = 0.0f;
    float explosion_chance = 0.0f;
    float crack_degradation_limit = 0.0f;
};

enum class ShotOutcome { none, crack, explosion };

// "none", "crack" or "explosion", as the play log and the tools write it.
inline const char* shot_outcome_name(ShotOutcome outcome) {
    switch (outcome) {
        case ShotOutcome::crack: return "crack";
        case ShotOutcome::explosion: return "explosion";
        case ShotOutcome::none: break;
    }
    return "none";
}

// Every member is zero by default, so that the ring sits in zeroed storage.
struct ShotRecord {
    std::uint64_t session_key = 0;  // the key of its play log session (shot_replay.h)
    WeaponClass weapon_class = nullptr;
    std::uint32_t pass = 0;  // the frame-loop pass that evaluated it, the first being 1
    PedHandle ped = 0;
    GameHash weapon_hash = 0;
    EntityHandle weapon_object = 0;
    float temperature = 0.0f;            // at the shooter, as the opening reading took it
    float dirt = 0.0f;                   // the opening dirt, before this shot's firing dirt
    float game_degradation = 0.0f;       // the game's answer, before clamping
    float effective_degradation = 0.0f;  // what the chances used
    int base_degradation_entry = 0;      // drawn from this entry of the base-degradation list
    GameHash base_degradation_key = 0;   // the hash the list was compared with: the shooter's relationship group
    float firing_dirt = 0.0f;            // the firing dirt's increment before the class's modifier
    float heat = 0.0f;                   // barrel heat and cold as the chances used them
    float cold = 0.0f;
    float kick = 0.0f;  // a player shot with recoil on: the camera kick it set
    ClassChanceTuning tuning;  // the class's tuning the chances read
    ShotChances chances;
    float roll = 0.0f;
    ShotOutcome outcome = ShotOutcome::none;
    float crack_wear = 0.0f;  // a crack: the wear it drew (at least 0.06)
    // The last dirt and degradation the shot's natives set on the weapon: the
    // firing dirt, a crack's lift, an explosion's 1.
    float dirt_written = 0.0f;
    float degradation_written = 0.0f;
    // The flags, together so that the ring and a replay's rows stay small.
    bool is_npc = false;
    bool base_degradation = false;         // drawn from the base-degradation list
    bool base_degradation_asked = false;   // the list was compared with base_degradation_key
    bool firing_dirt_drawn = false;        // firing dirtied the weapon by firing_dirt
    bool dirt_set = false;                 // dirt_written holds a value
    bool degradation_set = false;          // degradation_written holds a value
};

// More than one pass of the frame loop can evaluate: the player and a full
// ped array.
inline constexpr int shot_record_capacity = 2048;

struct ShotRecords {
    ShotRecord ring[shot_record_capacity];
    // Shots evaluated since the plugin was loaded; record n (counting from 0)
    // sits at n % shot_record_capacity.
    std::uint64_t written = 0;
};
extern ShotRecords shot_records;

inline const ShotRecord& shot_record_at(std::uint64_t n) { return shot_records.ring[n % shot_record_capacity]; }
