#include "support/shot_log_sample.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "config/settings.h"
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

void append_row(std::string& out, const std::string& session, std::uint32_t pass, const Shooter& s, float roll) {
    const ShotChances c = shot_chances(s.weapon_class, s.dirt, s.degradation);
    const ShotOutcome outcome = shot_outcome(c, s.degradation, roll);
    char row[512];
    std::snprintf(row, sizeof row, "%s,%u,%d,%s,%s,0x%08X,%.9g,%.9g,%.9g,%.9g,0,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%s\n",
                  session.c_str(), pass, s.ped, s.is_npc ? "NPC" : "Player", s.weapon_class, s.weapon_hash, 21.5,
                  static_cast<double>(s.dirt), static_cast<double>(s.degradation),
                  static_cast<double>(s.degradation), static_cast<double>(barrel_heat), static_cast<double>(barrel_cold),
                  s.is_npc ? 0.0 : 0.75, static_cast<double>(c.crack_chance), static_cast<double>(c.explosion_chance),
                  static_cast<double>(c.crack_degradation_limit), static_cast<double>(roll),
                  shot_outcome_name(outcome));
    out += row;
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
                s.dirt = std::min(1.0f, s.dirt + 0.002f);
            }
            --s.repeats_left;
            append_row(out, session, pass, s, unit(random));
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
