// The player's barrel heat and cold: the heat of a shot, the weapon-change
// reset, the heat smoke switch and the slow upkeep of every 100th evaluation.

#include <gmock/gmock.h>

#include <cstdio>

#include "common/rng.h"
#include "model/barrel.h"
#include "support/model_world.h"
#include "support/test_support.h"

namespace {

std::string g9(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

constexpr std::uint64_t in_water_native = 0xDDE5C125AC446723;
constexpr std::uint64_t set_dirt_native = 0x812CE61DEBCAB948;
constexpr std::uint64_t burn_level_native = 0x2797C633DCDBBAC5;
constexpr std::uint64_t burn_intensity_native = 0xC8E21C1677DC5E6F;
constexpr std::uint64_t burn_opacity_native = 0x7D7285EFEAB5AF15;

class BarrelTest : public test::PluginTest {
protected:
    // The player holding a pistol; NPCs are not scanned.
    std::int32_t start_player(float dirt = 0.2f, float degradation = 0.3f) {
        session_.reset();
        start();
        test::define_test_weapons(world());
        return test::arm_with(world(), world().player_ped, test::pistol_weapon, dirt, degradation);
    }
    void reset_case() { reset_plugin_state(); }
    std::vector<std::string> slow_upkeep_lines(int frame) {
        return test::lines_of(host(), frame,
                              {set_dirt_native, in_water_native, burn_level_native, burn_intensity_native,
                               burn_opacity_native});
    }
};

TEST_F(BarrelTest, TheSlowUpkeepRunsOnTheHundredthUpkeep) {
    ini("[NPC]\nenable_explosion=0\n");
    start_player();
    run_frames(99);
    EXPECT_TRUE(host().calls_of(in_water_native).empty());
    EXPECT_EQ(barrel.upkeep_counter, 99);
    EXPECT_EQ(barrel.barrel_heat, 0.0f);

    run_frames(1);
    // Warm drift at 20 degrees: 20/450 + 0.01.
    const float heat = 20.0f * 0.0022222223f + 0.01f;
    const std::string pistol = [] {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%08X", test::pistol_weapon);
        return std::string(buffer);
    }();
    EXPECT_THAT(test::lines_without_kick(host(), 100),
                ::testing::ElementsAre(
                    "100 PLAYER::PLAYER_PED_ID() -> 256", "100 ENTITY::DOES_ENTITY_EXIST(256) -> 1",
                    "100 PLAYER::PLAYER_ID() -> 0", "100 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 1",
                    "100 PED::IS_PED_DEAD_OR_DYING(256, 1) -> 0",
                    "100 WEAPON::GET_CURRENT_PED_WEAPON(256, &" + pistol + ", 1, 0, 0) -> 1",
                    "100 WEAPON::IS_WEAPON_PISTOL(" + pistol + ") -> 1",
                    "100 WEAPON::_GET_PED_WEAPON_OBJECT(256, 1) -> 257",
                    "100 ENTITY::GET_ENTITY_COORDS(256, 1, 0) -> (0, 0, 0)",
                    "100 MISC::_GET_TEMPERATURE_AT_COORDS(0, 0, 0) -> 20", "100 PED::IS_PED_SHOOTING(256) -> 0",
                    "100 WEAPON::_GET_WEAPON_DIRT(257) -> 0.200000003", "100 ENTITY::IS_ENTITY_IN_WATER(256) -> 0",
                    "100 OBJECT::_SET_OBJECT_BURN_LEVEL(257, " + g9(heat * 0.1f) + ", 1)",
                    "100 OBJECT::_SET_OBJECT_BURN_INTENSITY(257, " + g9(heat) + ")",
                    "100 OBJECT::_SET_OBJECT_BURN_OPACITY(257, " + g9(heat) + ")", "100 scriptWait(0)"));
    EXPECT_FLOAT_EQ(barrel.barrel_heat, heat);
    EXPECT_EQ(barrel.upkeep_counter, 0);

    run_frames(99);
    EXPECT_EQ(host().calls_of(in_water_native).size(), 1u);
    run_frames(1);
    EXPECT_EQ(host().calls_of(in_water_native).size(), 2u);
}

TEST_F(BarrelTest, WashingInWaterStepsTheDirtDownAndNeverCrossesItsMarks) {
    ini("[NPC]\nenable_explosion=0\n");
    struct Case {
        float dirt;
        bool washed;
        float washed_to;
    };
    for (const Case& c : {Case{0.16f, true, 0.15f}, Case{0.10f, true, 0.097f}, Case{0.04f, false, 0.0f}}) {
        SCOPED_TRACE(c.dirt);
        reset_case();
        start_player(c.dirt);
        world().ped(world().player_ped).in_water = true;
        barrel.upkeep_counter = 99;
        run_frames(1);
        const auto sets = host().calls_of(set_dirt_native);
        ASSERT_EQ(sets.size(), c.washed ? 1u : 0u);
        if (c.washed) {
            EXPECT_FLOAT_EQ(sets[0]->float_arg(1), c.washed_to);
            EXPECT_GE(sets[0]->float_arg(1), c.washed_to);  // the clamp holds 0.15 exactly
            EXPECT_EQ(sets[0]->int_arg(0), 257);
            EXPECT_EQ(sets[0]->int_arg(2), 0);
        }
    }
    // Switched off, nothing is washed.
    ini("[NPC]\nenable_explosion=0\n[Main]\nstanding_in_water_washes_your_weapon=0\n");
    reset_case();
    start_player(0.5f);
    world().ped(world().player_ped).in_water = true;
    barrel.upkeep_counter = 99;
    run_frames(1);
    EXPECT_TRUE(host().calls_of(set_dirt_native).empty());
}

TEST_F(BarrelTest, WarmWeatherDriftsAnIdleBarrelUpToJustAboveHalfAndHolds) {
    ini("[NPC]\nenable_explosion=0\n");
    start_player();
    world().temperature = 31.5f;  // factor 0.07, step 0.08
    barrel.barrel_heat = 0.49f;
    barrel.upkeep_counter = 99;
    run_frames(1);
    EXPECT_NEAR(barrel.barrel_heat, 0.57f, 1e-6f);
    // The smoke check comes before the drift: it starts at the next upkeep.
    EXPECT_FALSE(barrel.heat_smoke_on);
    run_frames(1);
    EXPECT_TRUE(barrel.heat_smoke_on);
    barrel.upkeep_counter = 99;
    run_frames(1);
    EXPECT_NEAR(barrel.barrel_heat, 0.57f, 1e-6f);
    EXPECT_EQ(barrel.barrel_cold, 0.0f);
}

TEST_F(BarrelTest, DriftLowersTheFigureAboveZeroBeforeRaisingTheOther) {
    ini("[NPC]\nenable_explosion=0\n");
    struct Case {
        const char* name;
        float temperature;
        float heat, cold;
        float heat_after, cold_after;
    };
    const std::vector<Case> cases = {
        {"warm works off cold", 31.5f, 0.0f, 0.2f, 0.0f, 0.12f},
        {"freezing sheds heat", -9.0f, 0.3f, 0.0f, 0.27f, 0.0f},  // factor -0.02, step 0.03
        {"freezing gathers cold", -9.0f, 0.0f, 0.0f, 0.0f, 0.03f},
        {"strong frost is held to 0.1", -100.0f, 0.0f, 0.5f, 0.0f, 0.6f},
        {"strong heat is held to 0.1", 200.0f, 0.1f, 0.0f, 0.2f, 0.0f},
        {"cold cannot pass 1", -100.0f, 0.0f, 0.95f, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_case();
        start_player();
        world().temperature = c.temperature;
        barrel.barrel_heat = c.heat;
        barrel.barrel_cold = c.cold;
        barrel.upkeep_counter = 99;
        run_frames(1);
        EXPECT_NEAR(barrel.barrel_heat, c.heat_after, 1e-6f);
        EXPECT_NEAR(barrel.barrel_cold, c.cold_after, 1e-6f);
    }
}

TEST_F(BarrelTest, TheHeatSmokeSwitchesAtExactlyHalf) {
    ini("[NPC]\nenable_explosion=0\n");
    struct Case {
        float heat;
        bool smoke_before;
        bool smoke_after;
    };
    for (const Case& c : {Case{0.5f, false, true}, Case{0.4999f, false, false}, Case{0.4999f, true, false},
                          Case{0.5f, true, true}}) {
        SCOPED_TRACE(c.heat);
        SCOPED_TRACE(c.smoke_before);
        reset_case();
        start_player();
        barrel.barrel_heat = c.heat;
        barrel.heat_smoke_on = c.smoke_before;
        run_frames(1);
        EXPECT_EQ(barrel.heat_smoke_on, c.smoke_after);
        EXPECT_EQ(barrel.barrel_heat, c.heat);
    }
    // With the smoke switched off the flag never moves.
    ini("[NPC]\nenable_explosion=0\n[Heat]\nenable_smoke_from_heat=0\n");
    reset_case();
    start_player();
    barrel.barrel_heat = 0.9f;
    run_frames(1);
    EXPECT_FALSE(barrel.heat_smoke_on);
}

TEST_F(BarrelTest, AWeaponChangeStopsTheSmokeAndStartsTheNewWeaponCool) {
    ini("[NPC]\nenable_explosion=0\n");
    start_player();
    run_frames(1);
    ASSERT_EQ(barrel.last_player_weapon_object, 257);
    barrel.barrel_heat = 0.7f;
    barrel.heat_smoke_on = true;
    // The same weapon keeps its figures and its smoke.
    run_frames(1);
    EXPECT_EQ(barrel.barrel_heat, 0.7f);
    EXPECT_TRUE(barrel.heat_smoke_on);

    const std::int32_t other = test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
    run_frames(1);
    EXPECT_EQ(barrel.barrel_heat, 0.0f);
    EXPECT_EQ(barrel.barrel_cold, 0.0f);
    EXPECT_FALSE(barrel.heat_smoke_on);
    EXPECT_EQ(barrel.last_player_weapon_object, other);

    // Cold is reset too.
    barrel.barrel_cold = 0.4f;
    test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
    run_frames(1);
    EXPECT_EQ(barrel.barrel_cold, 0.0f);
}

TEST_F(BarrelTest, TheFirstUpkeepOnlyRemembersTheWeapon) {
    ini("[NPC]\nenable_explosion=0\n");
    start_player();
    barrel.barrel_heat = 0.4f;
    barrel.barrel_cold = 0.0f;
    run_frames(1);
    EXPECT_EQ(barrel.barrel_heat, 0.4f);
    EXPECT_EQ(barrel.last_player_weapon_object, 257);
    EXPECT_EQ(barrel.upkeep_counter, 1);
}

TEST_F(BarrelTest, AShotWorksOffColdBeforeItHeats) {
    // Recoil 1.2 at 33.75 degrees: 1.2/12 + 0.025 + 0.075 = 0.2 per shot.
    ini("[NPC]\nenable_explosion=0\n[Recoil]\npistol_recoil=1.2,1.2\n");
    struct Case {
        const char* name;
        float temperature;
        float heat, cold;
        float heat_after, cold_after;
    };
    const std::vector<Case> cases = {
        {"cold 0.3 minus 0.2", 33.75f, 0.0f, 0.3f, 0.0f, 0.1f},
        {"cold runs out at 0", 33.75f, 0.0f, 0.1f, 0.0f, 0.0f},
        {"heat 0.3 plus 0.2", 33.75f, 0.3f, 0.0f, 0.5f, 0.0f},
        // At -100 degrees the shot adds 0.125 - 0.2222222 and cools the barrel.
        {"strong frost cools", -100.0f, 0.3f, 0.0f, 0.3f + (0.125f - 100.0f * 0.0022222223f), 0.0f},
        {"strong frost adds cold", -100.0f, 0.0f, 0.3f, 0.0f, 0.3f - (0.125f - 100.0f * 0.0022222223f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset_case();
        start_player();
        world().temperature = c.temperature;
        world().ped(world().player_ped).shooting = true;
        barrel.barrel_heat = c.heat;
        barrel.barrel_cold = c.cold;
        mod_rng.seed(test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; }));
        run_frames(1);
        EXPECT_NEAR(barrel.barrel_heat, c.heat_after, 1e-6f);
        EXPECT_NEAR(barrel.barrel_cold, c.cold_after, 1e-6f);
    }
}

TEST_F(BarrelTest, AShotInTheSlowUpkeepFrameIsWashedOverButDoesNotDrift) {
    ini("[NPC]\nenable_explosion=0\n[Recoil]\npistol_recoil=1.2,1.2\n");
    start_player(0.5f, 0.3f);
    world().ped(world().player_ped).shooting = true;
    world().ped(world().player_ped).in_water = true;
    barrel.upkeep_counter = 99;
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 2);
    mod_rng.seed(seed);
    run_frames(1);
    // Recoil 1.2 (the one draw of the pair (1.2, 1.2)) at 20 degrees; no drift after it.
    const float heat = 1.2f * 0.083333336f + 0.025f + 20.0f * 0.0022222223f;
    EXPECT_FLOAT_EQ(barrel.barrel_heat, heat);
    const float fired = static_cast<float>(bits[1]) * 1.0728836e-09f + 0.002f + 0.5f;
    EXPECT_THAT(slow_upkeep_lines(1),
                ::testing::ElementsAre("1 WEAPON::_SET_WEAPON_DIRT(257, " + g9(fired) + ", 0)",
                                       "1 ENTITY::IS_ENTITY_IN_WATER(256) -> 1",
                                       // The wash starts from the opening dirt.
                                       "1 WEAPON::_SET_WEAPON_DIRT(257, " + g9(0.5f - 0.03f) + ", 0)",
                                       "1 OBJECT::_SET_OBJECT_BURN_LEVEL(257, " + g9(barrel.barrel_heat * 0.1f) + ", 1)",
                                       "1 OBJECT::_SET_OBJECT_BURN_INTENSITY(257, " + g9(barrel.barrel_heat) + ")",
                                       "1 OBJECT::_SET_OBJECT_BURN_OPACITY(257, " + g9(barrel.barrel_heat) + ")"));
}

}  // namespace
