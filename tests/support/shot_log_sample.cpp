#include "support/shot_log_sample.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "config/settings.h"
#include "effects/crack.h"
#include "model/barrel.h"
#include "model/shot_eval.h"
#include "model/shot_log.h"
#include "plugin_state.h"

namespace test {

namespace {

struct Shooter {
    std::int32_t ped = 0;
    bool is_npc = true;
    const char* weapon_class = "rifle";
    std::uint32_t weapon_hash = 0;
    float dirt = 0.0f;
    float degradation = 0.0f;
    std::uint32_t next_pass = 1;
    int repeats_left = 0;  // passes this shot is still evaluated in
};

std::vector<Shooter> armed_shooters(int npcs, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<Shooter> shooters;
    shooters.push_back({1, false, "rifle", 0x63F46DE6u, 0.3f, 0.4f, 30, 0});
    for (int i = 0; i < npcs; ++i) {
        const std::size_t c = static_cast<std::size_t>(i) % tuned_weapon_classes.size();
        shooters.push_back({1000 + i, true, tuned_weapon_classes[c], 0x1000u + static_cast<std::uint32_t>(c),
                            unit(random) * 0.9f, unit(random), static_cast<std::uint32_t>(1 + i * 7), 0});
    }
    return shooters;
}

// One shot as the plugin evaluates it, with the plugin's own decisions: the
// firing dirt, the chances, the outcome and the crack's wear; an exploded gun
// is replaced by a fresh one.
void append_row(std::string& out, const std::string& session, std::uint32_t pass, Shooter& s, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    ShotRecord r;
    r.pass = pass;
    r.ped = s.ped;
    r.is_npc = s.is_npc;
    r.weapon_class = s.weapon_class;
    r.weapon_hash = s.weapon_hash;
    r.temperature = 21.5f;
    r.dirt = std::min(s.dirt, 1.0f);
    r.game_degradation = s.degradation;
    r.effective_degradation = s.degradation;
    r.heat = barrel_heat;
    r.cold = barrel_cold;
    r.kick = s.is_npc ? 0.0f : 0.75f;
    if (fires_dirt(s.is_npc)) {
        r.firing_dirt_drawn = true;
        r.firing_dirt = 0.002f + unit(random) * 0.018f;
        s.dirt = fired_dirt(r.dirt, r.firing_dirt, read_table(class_tuning.dirt_modifier, s.weapon_class));
    }
    r.chances = shot_chances(s.weapon_class, r.dirt, r.effective_degradation);
    r.roll = unit(random);
    r.outcome = shot_outcome(r.chances, r.effective_degradation, r.roll);
    if (r.outcome == ShotOutcome::crack) {
        r.crack_wear = 0.06f + unit(random) * 0.15f;
        s.dirt = crack_lift(r.dirt, r.crack_wear, r.chances.min_dirt);
        s.degradation = crack_lift(r.effective_degradation, r.crack_wear, r.chances.min_degradation);
    } else if (r.outcome == ShotOutcome::explosion) {
        s.dirt = unit(random) * 0.9f;
        s.degradation = unit(random);
    }
    char row[shot_log_row_room];
    const int length = format_shot_log_row(row, sizeof row, session.c_str(), r);
    if (length > 0) out.append(row, static_cast<std::size_t>(length));
}

// One session: passes go by, each shooter fires at its own pace.
void append_session(std::string& out, const SampleLog& sample, int index, std::int64_t rows, std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<std::uint32_t> pause(20, 120);
    std::vector<Shooter> shooters = armed_shooters(sample.npcs, random);
    const std::string session = sample_session(index);
    barrel_heat = 0.0f;
    barrel_cold = 0.0f;
    for (std::uint32_t pass = 1; rows > 0; ++pass) {
        barrel_heat = std::max(0.0f, barrel_heat - 0.002f);
        for (Shooter& s : shooters) {
            if (rows == 0 || (pass < s.next_pass && s.repeats_left == 0)) continue;
            if (s.repeats_left == 0) {
                s.repeats_left = sample.passes_per_shot;
                s.next_pass = pass + pause(random);
                if (!s.is_npc) barrel_heat = std::min(1.0f, barrel_heat + 0.08f);
            }
            --s.repeats_left;
            append_row(out, session, pass, s, random);
            --rows;
        }
    }
}

}  // namespace

std::string sample_session(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-%02dT%02d:00:00Z", 1 + i % 28, i / 28 % 24);
    return text;
}

std::string sample_shot_log(const SampleLog& sample) {
    standin::reset_plugin_globals();
    load_settings_from_text(sample.ini);
    std::mt19937 random(sample.seed);
    std::string out = std::string(shot_log_header) + "\n";
    out.reserve(static_cast<std::size_t>(sample.rows) * 180);
    for (int i = 0; i < sample.sessions; ++i) {
        const std::int64_t rows = sample.rows / sample.sessions + (i < sample.rows % sample.sessions ? 1 : 0);
        append_session(out, sample, i, rows, random);
    }
    standin::reset_plugin_globals();
    return out;
}

}  // namespace test
