// barrelburst-sim at scale: ten minutes of play (36,000 frames) with 64 armed
// NPCs and the player, every one firing, through the plugin's own code in the
// stand-in host, with every shot and frame recorded as `run` records them.

#include <benchmark/benchmark.h>

#include "world/simulation.h"

namespace {

sim::Scenario sixty_four_npcs() {
    sim::Scenario s;
    s.name = "benchmark: 64 NPCs";
    s.frames = 36000;
    s.temperature = {{0, 18.0f}, {36000, -6.0f}};
    s.player.weapon = sim::WeaponSetup{"rifle", "WEAPON_RIFLE_SPRINGFIELD", 0.4f, 0.6f};
    s.player.firing = {30, 10, 5, 200, 0};
    s.player.rearm_after = 120;
    s.player.in_water.ranges = {{12000, 15000}};
    struct Group {
        const char* name;
        const char* kind;
        float dirt;
        float degradation;
        sim::FiringPattern firing;
    };
    const Group groups[] = {
        {"pistolero", "pistol", 0.3f, 0.4f, {5, 30, 0, 0, 0}},
        {"gunslinger", "revolver", 0.5f, 0.6f, {9, 20, 3, 60, 0}},
        {"rider", "repeater", 0.6f, 0.55f, {13, 15, 4, 90, 0}},
        {"hunter", "sniper", 0.2f, 0.3f, {17, 120, 0, 0, 0}},
        {"shotgunner", "shotgun", 0.7f, 0.7f, {21, 45, 0, 0, 0}},
        {"deputy", "rifle", 0.1f, 0.0f, {25, 60, 2, 60, 0}},
        {"bandit", "revolver", 0.8f, 0.85f, {29, 40, 0, 0, 0}},
        {"trapper", "rifle", 0.45f, 0.5f, {33, 75, 0, 0, 0}},
    };
    for (const Group& g : groups) {
        sim::ShooterSetup npc;
        npc.name = g.name;
        npc.count = 8;
        npc.stagger = 3;
        npc.weapon = sim::WeaponSetup{g.kind, "", g.dirt, g.degradation};
        npc.weapon->name = std::string("WEAPON_BENCH_") + g.kind;
        npc.firing = g.firing;
        npc.rearm_after = 180;
        npc.relationship = "REL_BENCH";
        s.npcs.push_back(npc);
    }
    return s;
}

void TenGameMinutesWith64Npcs(benchmark::State& state) {
    sim::RunOptions options;
    options.scenario = sixty_four_npcs();
    options.seed = 1;
    std::size_t shots = 0;
    std::uint64_t natives = 0;
    for (auto _ : state) {
        const sim::RunResult result = sim::run_simulation(options);
        if (!result.host_errors.empty() || !result.observer_errors.empty()) {
            state.SkipWithError("the run broke the host contract or lost track of a shot");
            break;
        }
        shots = result.shots.size();
        natives = result.natives;
        benchmark::DoNotOptimize(result.shots.data());
    }
    state.counters["frames"] = 36000;
    state.counters["shots"] = static_cast<double>(shots);
    state.counters["natives"] = static_cast<double>(natives);
}
BENCHMARK(TenGameMinutesWith64Npcs)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
