// The cost of one frame of the plugin in the stand-in host, the host's own
// work included (recording off): a world of 0, 64 or 1,024 armed NPCs (and
// the armed player), idle or all of them shooting in every frame.
//
// Beside the time, the natives invoked per frame and, for the NPCs, per
// evaluated NPC, next to the design's bound for an idle NPC with a pistol:
// up to 4 natives in the scan and 7 in the opening reading plus its type
// tests (1 for a pistol), 12 in all.
//
// The scan's array holds 1,024 handles, the player's among them, so of 1,024
// NPCs 1,023 are evaluated; the per-NPC figure divides by those.
//
// And the settings menu's count of its shots over a full ring of 2,048 shot
// records of four classes: as played, and replayed under the settings in
// force (the menu does it when it opens, on an edit and at most once a
// second). The aim: under 1 ms.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/rng.h"
#include "menu/menu.h"
#include "model/shot_record.h"
#include "host.h"
#include "plugin_session.h"
#include "run_support.h"
#include "world.h"

// One timed frame; a function of its own so that a profiler can be limited
// to it (valgrind --tool=callgrind --toggle-collect=timed_frame).
[[gnu::noinline]] void timed_frame(standin::PluginSession& session) { session.run_frames(1); }

namespace {

constexpr std::uint64_t ped_array_handles = 1024;
constexpr double design_natives_per_idle_pistol_npc = 4 + 7 + 1;

struct Shooter {
    std::int32_t ped;
    std::int32_t weapon_object;
    float dirt;
    float degradation;
};

// All shooters fire in every frame, with their weapons as they were at the
// start: a weapon that exploded is back in hand, wear and dirt are reset, and
// the world's records of effects, explosions and falls are dropped.
void keep_shooting(standin::World& world, const std::vector<Shooter>& shooters) {
    for (const Shooter& s : shooters) {
        standin::Entity& ped = world.ped(s.ped);
        ped.has_weapon = true;
        ped.weapon_object = s.weapon_object;
        ped.shooting = true;
        standin::Entity& weapon = world.object(s.weapon_object);
        weapon.held_by = s.ped;
        weapon.dirt = s.dirt;
        weapon.degradation = s.degradation;
    }
    world.clear_records();
}

void frame(benchmark::State& state) {
    const int npcs = static_cast<int>(state.range(0));
    const bool shooting = state.range(1) != 0;
    const bool reload_when_changed = state.range(2) != 0;
    const bool shot_log = state.range(3) != 0;

    static const std::filesystem::path scratch = invariants::make_scratch_directory("barrelburst-bench");
    const invariants::WorkingDirectory in_scratch(scratch);
    // Every default, as the release INI; with live tuning the file is looked
    // at every 60 frames; with the play log a row is formatted for every shot
    // and written (to /dev/null here) when the storage fills.
    invariants::write_settings_file(std::string("[Main]\n") + (reload_when_changed ? "reload_when_changed=1\n" : "") +
                                    (shot_log ? "shot_log=1\n" : ""));
    const std::filesystem::path log_file = scratch / "Barrelburst-shots.csv";
    std::filesystem::remove(log_file);
    if (shot_log) std::filesystem::create_symlink("/dev/null", log_file);
    reset_plugin_state();

    standin::PluginSession session;
    standin::Host& host = session.host();
    standin::World& world = session.world();
    host.recording = false;
    mod_rng.seed(1);

    const GameHash pistol = standin::joaat("weapon_pistol_volcanic");
    world.define_weapon(pistol, standin::type_pistol);
    world.arm(world.player_ped, pistol);
    std::vector<Shooter> shooters;
    std::mt19937 conditions(7);
    std::uniform_real_distribution<float> wear(0.0f, 0.6f);
    for (int i = 0; i < npcs; ++i) {
        const float x = static_cast<float>(i % 32) * 2.0f;
        const float y = static_cast<float>(i / 32) * 2.0f;
        const std::int32_t ped = world.add_armed_ped(pistol, {x, y, 0.0f});
        const std::int32_t object = world.ped(ped).weapon_object;
        shooters.push_back({ped, object, wear(conditions), wear(conditions)});
        world.object(object).dirt = shooters.back().dirt;
        world.object(object).degradation = shooters.back().degradation;
    }
    if (shooting) {
        world.on_frame = [&shooters](standin::World& w, int) { keep_shooting(w, shooters); };
    }

    session.run_frames(10);  // the settings, the first shots
    const std::uint64_t natives_before = host.native_count();
    for (auto _ : state) timed_frame(session);
    const auto frames = static_cast<double>(state.iterations());
    state.counters["natives/frame"] = static_cast<double>(host.native_count() - natives_before) / frames;

    // One more frame, logged: the natives after the world list are the NPCs'.
    host.recording = true;
    host.clear_log();
    session.run_frames(1);
    std::uint64_t npc_natives = 0;
    bool in_npc_scan = false;
    for (const standin::Call& call : host.log()) {
        if (call.name == "worldGetAllPeds") in_npc_scan = true;
        if (call.hash == 0x217E9DC48139933D && !in_npc_scan) continue;
        // The player's own entry in the world list is tested and skipped.
        const bool player_entry = call.hash == 0xD42BD6EB2E0F1677 && call.int_arg(0) == world.player_ped;
        if (in_npc_scan && call.hash != 0 && !player_entry) ++npc_natives;
        // The camera kick and the texts follow the scan; none in an idle frame.
        if (call.hash == 0x936F967D4BE1CE9D || call.hash == 0xC9884ECADE94CB34) in_npc_scan = false;
    }
    const std::uint64_t evaluated = npcs < static_cast<int>(ped_array_handles)
                                        ? static_cast<std::uint64_t>(npcs)
                                        : ped_array_handles - 1;
    if (evaluated > 0) {
        state.counters["natives/NPC"] = static_cast<double>(npc_natives) / static_cast<double>(evaluated);
        if (!shooting) state.counters["design/NPC"] = design_natives_per_idle_pistol_npc;
    }
    if (!host.errors().empty()) state.SkipWithError(host.errors().front().c_str());
    host.recording = false;
}

void menu_shots(benchmark::State& state) {
    static const std::filesystem::path scratch = invariants::make_scratch_directory("barrelburst-bench");
    const invariants::WorkingDirectory in_scratch(scratch);
    invariants::write_settings_file("[Main]\n[Base_Degradation]\nREL_GANG=0.5,0.9\n");
    reset_plugin_state();
    standin::PluginSession session;
    standin::World& world = session.world();
    session.host().recording = false;
    mod_rng.seed(1);
    const GameHash weapons[] = {standin::joaat("weapon_pistol_volcanic"), standin::joaat("weapon_revolver_cattleman"),
                                standin::joaat("weapon_rifle_springfield"), standin::joaat("weapon_shotgun_pump")};
    const std::uint8_t types[] = {standin::type_pistol, standin::type_revolver, standin::type_rifle, standin::type_shotgun};
    for (int i = 0; i < 4; ++i) world.define_weapon(weapons[i], types[i]);
    world.arm(world.player_ped, weapons[0]);
    std::vector<Shooter> shooters;
    std::mt19937 conditions(7);
    std::uniform_real_distribution<float> wear(0.0f, 0.8f);
    for (int i = 0; i < 700; ++i) {
        const std::int32_t ped = world.add_armed_ped(weapons[i % 4], {static_cast<float>(i), 0.0f, 0.0f});
        if (i % 3 == 0) world.ped(ped).relationship_hash = standin::joaat("REL_GANG");
        const std::int32_t object = world.ped(ped).weapon_object;
        shooters.push_back({ped, object, wear(conditions), i % 3 == 0 ? 0.0f : wear(conditions)});
    }
    world.on_frame = [&shooters](standin::World& w, int) { keep_shooting(w, shooters); };
    session.run_frames(4);
    if (shot_records.written < shot_record_capacity) state.SkipWithError("the ring is not full");
    for (auto _ : state) {
        count_menu_shots(menu.shots);
        benchmark::DoNotOptimize(menu.shots.tallies);
    }
    state.counters["shots"] = static_cast<double>(menu.shots.window);
}

}  // namespace

BENCHMARK(menu_shots)->Unit(benchmark::kMicrosecond);

BENCHMARK(frame)
    ->ArgsProduct({{0, 64, 1024}, {0, 1}, {0}, {0}})
    ->Args({1024, 0, 1, 0})
    ->Args({1024, 0, 0, 1})
    ->Args({1024, 1, 0, 1})
    ->ArgNames({"npcs", "shooting", "reload", "log"})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
