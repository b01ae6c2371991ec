// The plugin allocates nothing in a steady frame: 10,000 frames with 1,024
// armed peds (the player and 1,023 NPCs, every one the scan's array holds),
// a rotating share of them shooting, the player firing in bursts, cracks and
// explosions happening, the banner and the debug overlay drawn.
//
// What is counted: every heap allocation of the process while the frames
// run, the stand-in host's and world's included. The world's records of
// what the natives left behind (effect starts with their names, explosions,
// falls, removals, pitch sets) are the stand-in's own bookkeeping and grow
// with every event, so here the natives that keep them are answered by a
// counter instead: the plugin still makes every call, and the counts show
// that the outcomes did happen. An exploded weapon is not taken away, so the
// fight stays steady.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <cstring>
#include <filesystem>

#include "common/rng.h"
#include "config/settings_text.h"
#include "host/on_screen.h"
#include "menu/menu.h"
#include "model/shot_log.h"
#include "counting_allocator.h"
#include "counting_stat.h"
#include "host.h"
#include "plugin_session.h"
#include "run_support.h"
#include "world.h"

namespace {

constexpr int armed_npcs = 1023;
constexpr int warm_up_frames = 1000;
constexpr int steady_frames = 10000;

struct Events {
    std::uint64_t effect_starts = 0;
    std::uint64_t looped_starts = 0;
    std::uint64_t explosions = 0;
    std::uint64_t falls = 0;
    std::uint64_t weapon_removals = 0;
    std::uint64_t pitch_sets = 0;
};

// The record-keeping natives, answered with counts.
bool count_instead_of_recording(Events& events, standin::World& world, std::uint64_t hash,
                                const std::uint64_t* args, std::uint64_t* result) {
    switch (hash) {
        case 0xE6CFE43937061143:  // START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY
            ++events.effect_starts;
            result[0] = 1;
            return true;
        case 0x8F90AB32E1944BDE:  // START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY
            ++events.looped_starts;
            result[0] = static_cast<std::uint32_t>(events.looped_starts);
            return true;
        case 0x9DD5AFF561E88F2A:  // DOES_PARTICLE_FX_LOOPED_EXIST
            result[0] = args[0] != 0 ? 1 : 0;
            return true;
        case 0x459598F579C98929:  // REMOVE_PARTICLE_FX
        case 0xDFCE8CE9F3EBE93F:  // _ADD_BLOOD_POOLS_FOR_PED
        case 0xCEF4C65DE502D367:  // MAKE_PED_DROP_WEAPON
            return true;
        case 0x7D6F58F69DA92530:  // ADD_EXPLOSION
            ++events.explosions;
            return true;
        case 0xD76632D99E4966C8:  // SET_PED_TO_RAGDOLL_WITH_FALL
        case 0xF90427F00A495A28:  // TASK_KNOCKED_OUT
        case 0x45BBCBA77C29A841:  // KNOCK_PED_OFF_VEHICLE
            ++events.falls;
            return true;
        case 0xB4158C8C9A3B5DCE:  // _INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID
            ++events.weapon_removals;
            result[0] = 1;
            return true;
        case 0xFB760AF4F537B8BF:  // SET_GAMEPLAY_CAM_RELATIVE_PITCH
            ++events.pitch_sets;
            std::memcpy(&world.camera_pitch, &args[0], sizeof world.camera_pitch);
            return true;
        case 0xA7A57E89E965D839:  // _SET_WEAPON_DEGRADATION: the wear, without its record
            if (standin::Entity* weapon = world.entity(static_cast<std::int32_t>(args[0]))) {
                std::memcpy(&weapon->degradation, &args[1], sizeof weapon->degradation);
            }
            return true;
        default:
            return false;
    }
}

TEST(Allocations, TheCountSeesMallocAndNew) {
    alloc_count::open_window();
    void* volatile block = std::malloc(64);
    std::string* volatile text = new std::string(100, 'x');
    const alloc_count::Counts counts = alloc_count::close_window();
    std::free(block);
    delete text;
    // The block, the string object and its characters.
    EXPECT_EQ(counts.allocations, 3u);
    EXPECT_GE(counts.bytes, 64u + 101u);
}

// Plain, with live tuning on (the plugin looks at the file once every 60
// passes) and with the play log on (a row formatted for every shot, written
// as the storage fills and every 60 passes): never an allocation. Off, the
// file is never looked at.
// With the settings menu, the counted frames open it and walk it: every
// section page and list page opened and left, the selection over every row
// of the top page, nothing edited; the shots at its foot counted again once
// a second.
enum class Extra { none, reload_when_changed, shot_log, menu_open };

// Presses a key every fourth frame, as the menu's state asks: F7 to open it;
// on the top page Down, then Enter on a section; on a section page Down
// twice (Enter on a list row), then Backspace; on a list page Backspace.
struct MenuWalker {
    bool walking = false;  // from the first counted frame on
    int presses_on_page = 0;
    int section_pages = 0;  // presses made on a section page, and on a list page
    int list_pages = 0;
    int shot_counts = 0;  // the times the menu counted its shots again
    std::uint64_t counted_seen = 0;
    void operator()(standin::World& w, int frame) {
        if (walking && menu.shots.written_seen != counted_seen) ++shot_counts;
        counted_seen = menu.shots.written_seen;
        w.keys_down.fill(false);
        if (!walking || frame % 4 != 0) return;
        int key = 0;
        const MenuLevel& level = menu.levels[static_cast<std::size_t>(menu.depth)];
        if (!menu.open) {
            key = 0x76;
        } else if (level.page == MenuPage::top) {
            key = presses_on_page++ % 2 == 0 ? 0x28 : (level.selected < 13 ? 0x0D : 0x28);
        } else if (level.page == MenuPage::section) {
            ++section_pages;
            key = presses_on_page++ % 4 < 2 ? 0x28 : (presses_on_page % 4 == 3 ? 0x0D : 0x08);
        } else {
            ++list_pages;
            key = 0x08;
        }
        w.keys_down[static_cast<std::size_t>(key)] = true;
    }
};

class SteadyFrames : public ::testing::TestWithParam<Extra> {};

TEST_P(SteadyFrames, NoAllocationWithAThousandArmedPedsFighting) {
    const bool reload_when_changed = GetParam() == Extra::reload_when_changed;
    const bool shot_log = GetParam() == Extra::shot_log;
    const bool menu_open = GetParam() == Extra::menu_open;
    const std::uint64_t queries_at_start = stat_count::settings_file_queries();
    const auto scratch = invariants::make_scratch_directory("barrelburst-alloc");
    const invariants::WorkingDirectory in_scratch(scratch);
    // The log's rows (some 100 MB here) go where they cost no disk.
    if (shot_log) std::filesystem::create_symlink("/dev/null", scratch / "Barrelburst-shots.csv");
    // The overlay's formatting and every outcome on; failures frequent.
    invariants::write_settings_file(
        std::string("[Main]\ndebug_mode=1\nmaximum_chance_for_explosion=0.5\nreload_when_changed=") +
        (reload_when_changed ? "1" : "0") + "\nshot_log=" + (shot_log ? "1" : "0") + "\n"
        "[Min_Degradation_To_Explode]\npistol_min_degradation=0.3\nrifle_min_degradation=0.3\n"
        "[Base_Degradation]\nREL_GANG=0.5,0.9\n");
    reset_plugin_state();

    standin::PluginSession session;
    standin::Host& host = session.host();
    standin::World& world = session.world();
    host.recording = false;
    mod_rng.seed(2024);

    const GameHash weapons[] = {standin::joaat("weapon_pistol_volcanic"), standin::joaat("weapon_revolver_cattleman"),
                                standin::joaat("weapon_repeater_carbine"), standin::joaat("weapon_rifle_springfield"),
                                standin::joaat("weapon_shotgun_pump")};
    world.define_weapon(weapons[0], standin::type_pistol);
    world.define_weapon(weapons[1], standin::type_revolver);
    world.define_weapon(weapons[2], standin::type_repeater);
    world.define_weapon(weapons[3], standin::type_rifle | standin::type_sniper);
    world.define_weapon(weapons[4], standin::type_shotgun);
    // The player swaps between two rifles now and then: the barrel resets and
    // the heat smoke stops, to start again once the new barrel is hot.
    const std::int32_t player_rifles[2] = {world.arm(world.player_ped, weapons[3]),
                                           world.add_weapon_object()};
    world.temperature = 25.0f;
    for (int i = 0; i < armed_npcs; ++i) {
        const std::int32_t ped = world.add_armed_ped(weapons[i % 5], {static_cast<float>(i), 0.0f, 0.0f});
        world.ped(ped).relationship_hash = standin::joaat(i % 2 == 0 ? "REL_GANG" : "REL_CIVMALE");
        world.weapon_of(ped).dirt = static_cast<float>(i % 10) * 0.1f;
    }
    ASSERT_EQ(world.get_all_peds(nullptr, 0), 0);  // nothing is written for a size of 0

    // One NPC in sixteen shoots in each frame, a different share every frame;
    // the player fires five shots out of every twelve frames.
    MenuWalker walker;
    world.on_frame = [player_rifles, menu_open, &walker](standin::World& w, int frame) {
        if (menu_open) walker(w, frame);
        const auto& entities = w.entities();
        for (std::size_t i = 0; i < entities.size(); ++i) {
            if (!entities[i].is_ped) continue;
            const auto handle = static_cast<std::int32_t>(standin::World::first_entity_handle + i);
            w.ped(handle).shooting = (static_cast<int>(i) + frame) % 16 == 0;
        }
        w.ped(w.player_ped).shooting = frame % 12 < 5;
        w.ped(w.player_ped).in_water = frame % 400 < 200;
        if (frame % 500 == 0) {
            const std::int32_t rifle = player_rifles[(frame / 500) % 2];
            w.ped(w.player_ped).weapon_object = rifle;
            w.object(rifle).held_by = w.player_ped;
        }
    };
    Events events;
    world.answer_override = [&events, &world](std::uint64_t hash, const std::uint64_t* args, int,
                                              std::uint64_t* result) {
        return count_instead_of_recording(events, world, hash, args, result);
    };

    // Warm-up: the settings load, the tables see their keys, the world makes
    // its first records (the banner's texture dictionary, the frame's text and
    // sprite lists); at least one player failure and one heat smoke.
    session.run_frames(warm_up_frames);
    bool banner_shown = false;
    for (int frame = 0; frame < 20000 && !(banner_shown && events.looped_starts > 1); ++frame) {
        session.run_frames(1);
        banner_shown = banner_shown || on_screen.notification_frames_left > 0;
    }
    ASSERT_TRUE(banner_shown);
    ASSERT_GT(events.looped_starts, 1u);
    session.run_frames(warm_up_frames);
    const Events before = events;
    const std::uint64_t natives_before = host.native_count();
    const std::uint64_t queries_before = stat_count::settings_file_queries();

    walker.walking = menu_open;
    alloc_count::open_window();
    session.run_frames(steady_frames);
    const alloc_count::Counts counts = alloc_count::close_window();

    EXPECT_EQ(counts.allocations, 0u) << counts.bytes << " bytes in " << steady_frames << " frames";
    EXPECT_EQ(stat_count::settings_file_queries() - queries_before,
              reload_when_changed ? static_cast<std::uint64_t>(steady_frames / 60) : 0u);
    if (!reload_when_changed) {
        EXPECT_EQ(stat_count::settings_file_queries(), queries_at_start);
    }
    // The frames did what they should: every ped evaluated, shots and failures.
    EXPECT_GT(host.native_count() - natives_before, static_cast<std::uint64_t>(steady_frames) * armed_npcs * 9);
    EXPECT_GT(events.effect_starts, before.effect_starts);
    EXPECT_GT(events.explosions, before.explosions + 100);
    EXPECT_GT(events.weapon_removals, before.weapon_removals);
    EXPECT_GT(events.looped_starts, before.looped_starts);
    EXPECT_GT(events.pitch_sets, before.pitch_sets + 1000);
    EXPECT_TRUE(host.errors().empty());
    if (menu_open) {
        EXPECT_TRUE(menu.open);
        EXPECT_GT(walker.section_pages, 100);
        EXPECT_GT(walker.list_pages, 10);
        EXPECT_GT(walker.shot_counts, steady_frames / 120);
        EXPECT_FALSE(settings_edited());
    }
    if (shot_log) {
        EXPECT_FALSE(play_log.stopped);
        EXPECT_GT(shot_records.written, static_cast<std::uint64_t>(steady_frames) * 60);
    }
    std::printf("%d steady frames: %llu allocations, %llu natives, %llu effect starts, %llu heat smokes, "
                "%llu explosions, %llu falls, %llu weapon removals, %llu pitch sets\n",
                steady_frames, static_cast<unsigned long long>(counts.allocations),
                static_cast<unsigned long long>(host.native_count() - natives_before),
                static_cast<unsigned long long>(events.effect_starts - before.effect_starts),
                static_cast<unsigned long long>(events.looped_starts - before.looped_starts),
                static_cast<unsigned long long>(events.explosions - before.explosions),
                static_cast<unsigned long long>(events.falls - before.falls),
                static_cast<unsigned long long>(events.weapon_removals - before.weapon_removals),
                static_cast<unsigned long long>(events.pitch_sets - before.pitch_sets));
}

INSTANTIATE_TEST_SUITE_P(Switches, SteadyFrames,
                         ::testing::Values(Extra::none, Extra::reload_when_changed, Extra::shot_log,
                                           Extra::menu_open),
                         [](const ::testing::TestParamInfo<Extra>& extra) {
                             switch (extra.param) {
                                 case Extra::reload_when_changed: return std::string("ReloadWhenChangedOn");
                                 case Extra::shot_log: return std::string("ShotLogOn");
                                 case Extra::menu_open: return std::string("MenuOpen");
                                 case Extra::none: break;
                             }
                             return std::string("Plain");
                         });

}  // namespace
