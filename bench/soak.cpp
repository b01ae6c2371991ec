// The soak run: the plugin for a million frames in a fight of 200 armed NPCs
// and the player, with a fixed seed, the frame invariants checked after every
// frame and the resident memory sampled. Too long for CI; run it by hand:
//
//   build/linux/bench/barrelburst_soak [--frames N] [--npcs N] [--seed S] [--sample-every N]
//
// The fight: every NPC fires on about one frame in four; a weapon that
// exploded comes back into its shooter's hands 30 frames later, as good as
// new; the player fires in bursts, swaps between two rifles every 5,000
// frames (and gets a new one 30 frames after one exploded), wades into water
// now and then; the weather turns from warm to
// freezing every 50,000 frames; the heat-smoke dictionary loads 20 frames
// after its first request. The world's records of what the natives left
// behind (effects, explosions, falls, ...) are the stand-in's, not the
// plugin's: they are tallied and dropped every 1,000 frames.
//
// Memory is flat when the resident size after warm-up (the first tenth of the
// run) grows by less than 256 KiB to the end. The exit status is 0 only when
// every invariant held, the host saw no error and memory stayed flat.

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/rng.h"
#include "host.h"
#include "invariants.h"
#include "model/barrel.h"
#include "plugin_session.h"
#include "run_support.h"
#include "world.h"

namespace {

struct Options {
    long frames = 1000000;
    int npcs = 200;
    std::uint32_t seed = 20240601;
    long sample_every = 10000;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--frames") o.frames = std::atol(value);
        else if (name == "--npcs") o.npcs = std::atoi(value);
        else if (name == "--seed") o.seed = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
        else if (name == "--sample-every") o.sample_every = std::atol(value);
        else {
            std::fprintf(stderr, "usage: %s [--frames N] [--npcs N] [--seed S] [--sample-every N]\n", argv[0]);
            std::exit(2);
        }
    }
    if (o.sample_every < 1) o.sample_every = 1;
    return o;
}

std::size_t resident_bytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    const int got = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    if (got != 2) return 0;
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

struct Npc {
    std::int32_t ped;
    std::int32_t weapon_object;
    GameHash weapon;
    float dirt;
    float degradation;
    int lost_at = -1;  // frame the weapon was taken away
};

struct Tally {
    std::uint64_t npc_shots = 0;
    std::uint64_t player_shots = 0;
    std::uint64_t effects = 0;
    std::uint64_t looped_effects = 0;
    std::uint64_t explosions = 0;
    std::uint64_t falls = 0;
    std::uint64_t removals = 0;
    std::uint64_t rearmed = 0;
    std::uint64_t pitch_sets = 0;
};

void drop_records(standin::World& w, Tally& tally) {
    for (const standin::EffectStart& e : w.effects) {
        if (e.looped) ++tally.looped_effects;
        else ++tally.effects;
    }
    tally.explosions += w.explosions.size();
    tally.falls += w.falls.size();
    tally.removals += w.removals.size();
    tally.pitch_sets += w.pitch_sets.size();
    w.clear_records();
    for (auto it = w.looped_effects.begin(); it != w.looped_effects.end();) {
        const bool over = it->second.removed || (it->second.end_frame >= 0 && w.frame() >= it->second.end_frame);
        it = over ? w.looped_effects.erase(it) : std::next(it);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    const auto scratch = invariants::make_scratch_directory("barrelburst-soak");
    const invariants::WorkingDirectory in_scratch(scratch);
    invariants::write_settings_file("");  // every default, as the release INI
    reset_plugin_state();

    standin::PluginSession session;
    standin::Host& host = session.host();
    standin::World& world = session.world();
    host.recording = false;
    mod_rng.seed(options.seed);

    const GameHash weapons[] = {standin::joaat("weapon_pistol_volcanic"), standin::joaat("weapon_revolver_cattleman"),
                                standin::joaat("weapon_repeater_carbine"), standin::joaat("weapon_rifle_springfield"),
                                standin::joaat("weapon_shotgun_pump"), standin::joaat("weapon_sniperrifle_rollingblock")};
    world.define_weapon(weapons[0], standin::type_pistol);
    world.define_weapon(weapons[1], standin::type_revolver);
    world.define_weapon(weapons[2], standin::type_repeater);
    world.define_weapon(weapons[3], standin::type_rifle | standin::type_sniper);
    world.define_weapon(weapons[4], standin::type_shotgun);
    world.define_weapon(weapons[5], standin::type_sniper);
    world.set_dictionary("scr_generic", standin::DictionaryLoad::after_request, 20);
    world.looped_effect_lifetime = 3000;

    std::mt19937 fight(options.seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> spot(-60.0f, 60.0f);
    const std::int32_t player_rifles[2] = {world.arm(world.player_ped, weapons[3]), world.add_weapon_object()};
    std::vector<Npc> npcs;
    for (int i = 0; i < options.npcs; ++i) {
        const GameHash weapon = weapons[static_cast<std::size_t>(i) % 6];
        const std::int32_t ped = world.add_armed_ped(weapon, {spot(fight), spot(fight), 0.0f});
        Npc npc{ped, world.ped(ped).weapon_object, weapon, unit(fight) * 0.5f, unit(fight) * 0.7f};
        world.object(npc.weapon_object).dirt = npc.dirt;
        world.object(npc.weapon_object).degradation = npc.degradation;
        world.ped(ped).vehicle = i % 25 == 0 ? 0x7000 + i : 0;
        npcs.push_back(npc);
    }

    Tally tally;
    int player_lost_at = -1;
    world.on_frame = [&](standin::World& w, int frame) {
        for (Npc& npc : npcs) {
            standin::Entity& ped = w.ped(npc.ped);
            if (!ped.has_weapon && npc.lost_at < 0) npc.lost_at = frame;
            if (npc.lost_at >= 0 && frame - npc.lost_at >= 30) {
                ped.has_weapon = true;
                ped.weapon_hash = npc.weapon;
                ped.weapon_object = npc.weapon_object;
                standin::Entity& object = w.object(npc.weapon_object);
                object.held_by = npc.ped;
                object.dirt = npc.dirt;
                object.degradation = npc.degradation;
                npc.lost_at = -1;
                ++tally.rearmed;
            }
            ped.shooting = ped.has_weapon && fight() % 4 == 0;
            if (ped.shooting) ++tally.npc_shots;
        }
        standin::Entity& player = w.ped(w.player_ped);
        if (!player.has_weapon && player_lost_at < 0) player_lost_at = frame;
        // A swap, or a new rifle 30 frames after one exploded.
        if (frame % 5000 == 0 || (player_lost_at >= 0 && frame - player_lost_at >= 30)) {
            const std::int32_t rifle = player_rifles[(frame / 5000) % 2];
            player.has_weapon = true;
            player.weapon_hash = weapons[3];
            player.weapon_object = rifle;
            standin::Entity& object = w.object(rifle);
            object.held_by = w.player_ped;
            if (player_lost_at >= 0) {
                object.dirt = 0.0f;
                object.degradation = 0.0f;
                ++tally.rearmed;
            }
            player_lost_at = -1;
        }
        player.shooting = player.has_weapon && frame % 40 < 6;
        if (player.shooting) ++tally.player_shots;
        player.in_water = frame % 3000 < 400;
        w.temperature = (frame / 50000) % 2 == 0 ? 18.0f : -12.0f;
        w.free_aiming = frame % 200 < 50;
        if (frame % 1000 == 0) drop_records(w, tally);
    };

    invariants::Monitor monitor(host);
    std::vector<std::pair<long, std::size_t>> samples;
    const auto start = std::chrono::steady_clock::now();
    long frames_run = 0;
    for (long frame = 1; frame <= options.frames; ++frame) {
        session.run_frames(1);
        ++frames_run;
        if (!monitor.check_frame()) break;
        if (frame % options.sample_every == 0) samples.emplace_back(frame, resident_bytes());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    drop_records(world, tally);

    // Memory after warm-up: from the first sample past the first tenth.
    const long warm_up = options.frames / 10;
    std::size_t after_warm_up = 0;
    std::size_t low = 0;
    std::size_t high = 0;
    for (const auto& [frame, bytes] : samples) {
        if (frame < warm_up) continue;
        if (after_warm_up == 0) after_warm_up = low = high = bytes;
        if (bytes < low) low = bytes;
        if (bytes > high) high = bytes;
    }
    const std::size_t last = samples.empty() ? 0 : samples.back().second;
    const long long growth = static_cast<long long>(last) - static_cast<long long>(after_warm_up);
    const bool flat = growth < 256 * 1024;

    const auto& f = monitor.figures();
    std::printf("Barrelburst soak run\n");
    std::printf("  frames                 %ld of %ld\n", frames_run, options.frames);
    std::printf("  NPCs                   %d armed, about one in four firing each frame\n", options.npcs);
    std::printf("  seed                   %u\n", options.seed);
    std::printf("  time                   %.1f s, %.2f us a frame\n", seconds, seconds * 1e6 / static_cast<double>(frames_run));
    std::printf("  natives                %llu (%.1f a frame)\n", static_cast<unsigned long long>(host.native_count()),
                static_cast<double>(host.native_count()) / static_cast<double>(frames_run));
    std::printf("  waits                  %llu\n", static_cast<unsigned long long>(host.wait_count()));
    std::printf("  NPC shots              %llu\n", static_cast<unsigned long long>(tally.npc_shots));
    std::printf("  player shots           %llu\n", static_cast<unsigned long long>(tally.player_shots));
    std::printf("  effects                %llu one-shot, %llu heat smokes\n", static_cast<unsigned long long>(tally.effects),
                static_cast<unsigned long long>(tally.looped_effects));
    std::printf("  explosions             %llu (game explosions of cracks and exploded guns)\n",
                static_cast<unsigned long long>(tally.explosions));
    std::printf("  falls                  %llu\n", static_cast<unsigned long long>(tally.falls));
    std::printf("  weapons taken away     %llu (given back %llu)\n", static_cast<unsigned long long>(tally.removals),
                static_cast<unsigned long long>(tally.rearmed));
    std::printf("  camera pitch sets      %llu, largest turn %.4f degrees\n",
                static_cast<unsigned long long>(f.pitch_sets), f.largest_turn);
    std::printf("  asset loads            %llu, most waits in one %llu\n", static_cast<unsigned long long>(f.asset_loads),
                static_cast<unsigned long long>(f.most_waits_in_a_load));
    std::printf("  barrel at the end      heat %.3f, cold %.3f\n", static_cast<double>(barrel.barrel_heat),
                static_cast<double>(barrel.barrel_cold));
    std::printf("  invariants             %s (%llu frames checked)\n", monitor.ok() ? "held" : "BROKEN",
                static_cast<unsigned long long>(f.frames));
    for (const std::string& v : monitor.violations()) std::printf("    %s\n", v.c_str());
    std::printf("  resident memory        after warm-up %.1f MiB, low %.1f, high %.1f, last %.1f MiB\n",
                static_cast<double>(after_warm_up) / 1048576.0, static_cast<double>(low) / 1048576.0,
                static_cast<double>(high) / 1048576.0, static_cast<double>(last) / 1048576.0);
    std::printf("  memory growth          %+lld bytes after warm-up: %s\n", growth, flat ? "flat" : "GROWING");
    std::printf("  samples (frame: KiB)  ");
    const std::size_t step = samples.size() > 20 ? samples.size() / 20 : 1;
    for (std::size_t i = 0; i < samples.size(); i += step) {
        std::printf(" %ld:%zu", samples[i].first, samples[i].second / 1024);
    }
    std::printf("\n");
    return monitor.ok() && flat ? 0 : 1;
}
