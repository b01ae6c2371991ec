// The per-frame scan of the player and the other peds, the opening reading of
// each ped's weapon and the weapon classification.

#include <gmock/gmock.h>

#include <cstdio>
#include <cstring>

#include "host/on_screen.h"
#include "model/barrel.h"
#include "support/model_world.h"
#include "support/test_support.h"

using ::testing::ElementsAre;

namespace {

std::string hex(GameHash hash) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", hash);
    return buffer;
}

class PedScanTest : public test::PluginTest {
protected:
    // Attaches the plugin to a world with the test weapons defined.
    void start_world() {
        // A session left from an earlier case detaches first, so that its
        // unload does not drop the new script.
        session_.reset();
        start();
        test::define_test_weapons(world());
    }
    std::vector<std::string> frame_lines(int frame) { return test::lines_without_kick(host(), frame); }
    int count_in_frame(int frame, std::uint64_t hash) {
        int n = 0;
        for (const standin::Call* c : host().calls_in_frame(frame)) n += c->is(hash) ? 1 : 0;
        return n;
    }
};

TEST_F(PedScanTest, PlayerGateFailuresEndTheWholeScanBeforeAnyPed) {
    struct Case {
        const char* name;
        void (*spoil)(standin::World&);
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"dead or dying", [](standin::World& w) { w.ped(w.player_ped).dead = true; },
         {"1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1", "1 PLAYER::PLAYER_ID() -> 0",
          "1 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 1", "1 PED::IS_PED_DEAD_OR_DYING(256, 1) -> 1", "1 scriptWait(0)"}},
        {"not in play", [](standin::World& w) { w.player_control_on = false; },
         {"1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1", "1 PLAYER::PLAYER_ID() -> 0",
          "1 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 0", "1 scriptWait(0)"}},
        {"gone", [](standin::World& w) { w.entity(w.player_ped)->exists = false; },
         {"1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 0", "1 scriptWait(0)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_plugin_state();
        start_world();
        test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
        const std::int32_t npc = world().add_armed_ped(test::pistol_weapon);
        world().ped(npc).shooting = true;
        world().ped(world().player_ped).shooting = true;
        c.spoil(world());
        run_frames(1);
        EXPECT_EQ(frame_lines(1), c.lines);
        EXPECT_EQ(barrel.upkeep_counter, 0);
    }
}

// Player 256 armed (257), NPC 258 armed (259) at (1, 2, 3), an animal 260 and a dead ped 261.
void populate(standin::World& w) {
    test::arm_with(w, w.player_ped, test::pistol_weapon, 0.2f, 0.3f);
    const std::int32_t npc = w.add_ped({1.0f, 2.0f, 3.0f});
    test::arm_with(w, npc, test::pistol_weapon, 0.25f, 0.0f);
    const std::int32_t animal = w.add_ped();
    w.ped(animal).human = false;
    const std::int32_t dead = w.add_ped();
    w.ped(dead).dead = true;
}

std::vector<std::string> npc_scan_lines(int frame) {
    const std::string f = std::to_string(frame) + " ";
    const std::string pistol = hex(test::pistol_weapon);
    return {f + "PLAYER::PLAYER_PED_ID() -> 256",
            f + "worldGetAllPeds(1024) -> 4",
            f + "ENTITY::DOES_ENTITY_EXIST(256) -> 1",
            f + "ENTITY::DOES_ENTITY_EXIST(258) -> 1",
            f + "PED::IS_PED_HUMAN(258) -> 1",
            f + "PED::IS_PED_DEAD_OR_DYING(258, 1) -> 0",
            f + "WEAPON::GET_CURRENT_PED_WEAPON(258, &" + pistol + ", 1, 0, 0) -> 1",
            f + "WEAPON::IS_WEAPON_PISTOL(" + pistol + ") -> 1",
            f + "WEAPON::_GET_PED_WEAPON_OBJECT(258, 1) -> 259",
            f + "ENTITY::GET_ENTITY_COORDS(258, 1, 0) -> (1, 2, 3)",
            f + "MISC::_GET_TEMPERATURE_AT_COORDS(1, 2, 3) -> 20",
            f + "PED::IS_PED_SHOOTING(258) -> 0",
            f + "WEAPON::_GET_WEAPON_DIRT(259) -> 0.25",
            f + "ENTITY::DOES_ENTITY_EXIST(260) -> 1",
            f + "PED::IS_PED_HUMAN(260) -> 0",
            f + "ENTITY::DOES_ENTITY_EXIST(261) -> 1",
            f + "PED::IS_PED_HUMAN(261) -> 1",
            f + "PED::IS_PED_DEAD_OR_DYING(261, 1) -> 1",
            f + "scriptWait(0)"};
}

TEST_F(PedScanTest, PlayerSwitchOffScansOnlyNpcsAndSkipsThePlayersOwnHandle) {
    ini("[Player]\nenable_explosion=0\n[NPC]\nenable_explosion=1\n");
    start_world();
    populate(world());
    run_frames(1);
    EXPECT_EQ(frame_lines(1), npc_scan_lines(1));
    // The player got no upkeep either.
    EXPECT_EQ(barrel.upkeep_counter, 0);
    EXPECT_EQ(barrel.last_player_weapon_object, 0);
}

TEST_F(PedScanTest, SwitchesOfTwoSkipThePlayerButLetTheNpcScanRun) {
    ini("[Player]\nenable_explosion=2\n[NPC]\nenable_explosion=2\n");
    start_world();
    populate(world());
    world().ped(world().player_ped).shooting = true;
    run_frames(1);
    EXPECT_EQ(frame_lines(1), npc_scan_lines(1));
    EXPECT_EQ(barrel.upkeep_counter, 0);
    EXPECT_EQ(barrel.barrel_heat, 0.0f);
}

TEST_F(PedScanTest, NpcSwitchOffEndsTheScanAfterThePlayer) {
    ini("[NPC]\nenable_explosion=0\n");
    start_world();
    populate(world());
    run_frames(1);
    const std::string pistol = hex(test::pistol_weapon);
    EXPECT_THAT(frame_lines(1),
                ElementsAre("1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1",
                            "1 PLAYER::PLAYER_ID() -> 0", "1 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 1",
                            "1 PED::IS_PED_DEAD_OR_DYING(256, 1) -> 0",
                            "1 WEAPON::GET_CURRENT_PED_WEAPON(256, &" + pistol + ", 1, 0, 0) -> 1",
                            "1 WEAPON::IS_WEAPON_PISTOL(" + pistol + ") -> 1",
                            "1 WEAPON::_GET_PED_WEAPON_OBJECT(256, 1) -> 257",
                            "1 ENTITY::GET_ENTITY_COORDS(256, 1, 0) -> (0, 0, 0)",
                            "1 MISC::_GET_TEMPERATURE_AT_COORDS(0, 0, 0) -> 20", "1 PED::IS_PED_SHOOTING(256) -> 0",
                            "1 WEAPON::_GET_WEAPON_DIRT(257) -> 0.200000003", "1 scriptWait(0)"));
    // The idle player's evaluation ran the upkeep.
    EXPECT_EQ(barrel.upkeep_counter, 1);
    EXPECT_EQ(barrel.last_player_weapon_object, 257);
}

TEST_F(PedScanTest, NoWeaponOrUnknownWeaponGetsNoEvaluationAndNoUpkeep) {
    ini("[NPC]\nenable_explosion=0\n");
    struct Case {
        const char* name;
        bool has_weapon;
        GameHash weapon;
    };
    for (const Case& c : {Case{"no weapon", false, 0}, Case{"unknown", true, test::lasso_weapon}}) {
        SCOPED_TRACE(c.name);
        reset_plugin_state();
        start_world();
        if (c.has_weapon) test::arm_with(world(), world().player_ped, c.weapon, 0.9f, 0.9f);
        world().ped(world().player_ped).shooting = true;
        run_frames(1);
        const std::string weapon = hex(c.weapon);
        EXPECT_THAT(frame_lines(1),
                    ElementsAre("1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1",
                                "1 PLAYER::PLAYER_ID() -> 0", "1 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 1",
                                "1 PED::IS_PED_DEAD_OR_DYING(256, 1) -> 0",
                                "1 WEAPON::GET_CURRENT_PED_WEAPON(256, &" + weapon + ", 1, 0, 0) -> " +
                                    (c.has_weapon ? "1" : "0"),
                                // Classified before the answer is looked at.
                                "1 WEAPON::IS_WEAPON_PISTOL(" + weapon + ") -> 0",
                                "1 WEAPON::IS_WEAPON_REVOLVER(" + weapon + ") -> 0",
                                "1 WEAPON::IS_WEAPON_REPEATER(" + weapon + ") -> 0",
                                "1 WEAPON::IS_WEAPON_RIFLE(" + weapon + ") -> 0",
                                "1 WEAPON::_IS_WEAPON_SNIPER(" + weapon + ") -> 0",
                                "1 WEAPON::IS_WEAPON_SHOTGUN(" + weapon + ") -> 0", "1 scriptWait(0)"));
        EXPECT_EQ(barrel.upkeep_counter, 0);
        EXPECT_EQ(barrel.last_player_weapon_object, 0);
    }
}

TEST_F(PedScanTest, ClassificationAsksTheTypeTestsInOrderAndTheFirstYesDecides) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n");
    struct Case {
        GameHash weapon;
        int tests;
        const char* overlay_start;
    };
    // A pistol costs one test; a weapon that is both rifle and sniper is a rifle.
    const std::vector<Case> cases = {{test::pistol_weapon, 1, "[pistol]"},     {test::revolver_weapon, 2, "[revolver]"},
                                     {test::repeater_weapon, 3, "[rifle]"},    {test::rifle_sniper_weapon, 4, "[rifle]"},
                                     {test::sniper_weapon, 5, "[sniper]"},     {test::shotgun_weapon, 6, "[shotgun]"}};
    const std::uint64_t type_tests[] = {0xDDC64F5E31EEDAB6, 0xC212F1D05A8232BB, 0xDDB2578E95EF7138,
                                        0x0A82317B7EBFC420, 0x6AD66548840472E5, 0xC75386174ECE95D5};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overlay_start);
        reset_plugin_state();
        start_world();
        const std::int32_t npc = world().add_armed_ped(c.weapon);
        world().ped(npc).shooting = true;
        run_frames(1);
        std::vector<std::string> asked;
        std::vector<std::string> expected;
        for (int i = 0; i < 6; ++i) {
            for (const standin::Call* call : host().calls_of(type_tests[i])) asked.push_back(format_call(*call));
            if (i < c.tests) {
                expected.push_back(std::string("1 ") + (i == 0   ? "WEAPON::IS_WEAPON_PISTOL("
                                                        : i == 1 ? "WEAPON::IS_WEAPON_REVOLVER("
                                                        : i == 2 ? "WEAPON::IS_WEAPON_REPEATER("
                                                        : i == 3 ? "WEAPON::IS_WEAPON_RIFLE("
                                                        : i == 4 ? "WEAPON::_IS_WEAPON_SNIPER("
                                                                 : "WEAPON::IS_WEAPON_SHOTGUN(") +
                                   hex(c.weapon) + ") -> " + (i + 1 == c.tests ? "1" : "0"));
            }
        }
        EXPECT_EQ(asked, expected);
        EXPECT_EQ(std::strncmp(on_screen.debug_overlay_text, c.overlay_start, std::strlen(c.overlay_start)), 0)
            << on_screen.debug_overlay_text;
    }
}

TEST_F(PedScanTest, APedShootingInThreeFramesIsThreeShots) {
    ini("[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_armed_ped(test::pistol_weapon);
    // Too worn to crack and too clean to explode: each shot is only its reading.
    world().weapon_of(npc).degradation = 0.995f;
    world().ped(npc).shooting = true;
    run_frames(3);
    for (int frame = 1; frame <= 3; ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(count_in_frame(frame, 0x0D78E1097F89E637), 1);  // degradation read: one evaluated shot
        EXPECT_EQ(count_in_frame(frame, 0x812CE61DEBCAB948), 1);  // its firing dirt
    }
    world().ped(npc).shooting = false;
    run_frames(1);
    EXPECT_EQ(count_in_frame(4, 0x0D78E1097F89E637), 0);
}

TEST_F(PedScanTest, AReportedPedCountIsKeptWithinTheArray) {
    ini("[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_armed_ped(test::pistol_weapon);
    world().reported_ped_count = 1500;
    run_frames(1);
    // Only the 1024 entries of the array are walked; the ones the host left
    // unfilled hold no ped.
    EXPECT_EQ(count_in_frame(1, 0xD42BD6EB2E0F1677), 1024);
    const auto exists = host().calls_of(0xD42BD6EB2E0F1677);
    EXPECT_EQ(format_call(*exists[0]), "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1");
    EXPECT_EQ(format_call(*exists[1]), "1 ENTITY::DOES_ENTITY_EXIST(" + std::to_string(npc) + ") -> 1");
    EXPECT_EQ(format_call(*exists[2]), "1 ENTITY::DOES_ENTITY_EXIST(0) -> 0");
    EXPECT_EQ(count_in_frame(1, 0x34616828CD07F1A1), 1);

    // A count of 0 walks nothing.
    world().reported_ped_count = 0;
    run_frames(1);
    EXPECT_EQ(count_in_frame(2, 0xD42BD6EB2E0F1677), 0);
    EXPECT_EQ(count_in_frame(2, 0x34616828CD07F1A1), 0);
}

TEST_F(PedScanTest, ATemperatureOfExactlyZeroOrNanCountsAsWarm) {
    ini("[NPC]\nenable_explosion=0\n");
    for (const float reading : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
        SCOPED_TRACE(reading);
        reset_plugin_state();
        start_world();
        test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
        world().temperature = reading;
        barrel.upkeep_counter = 99;
        run_frames(1);
        // Warm drift by the smallest step: 0.0001/450 + 0.01 clamped to [0.01, 0.1].
        EXPECT_FLOAT_EQ(barrel.barrel_heat, 0.0001f * 0.0022222223f + 0.01f);
        EXPECT_EQ(barrel.barrel_cold, 0.0f);
    }
}

}  // namespace
