// The evaluation of one shot: effective degradation, recoil draw and heat,
// firing dirt, the two chances, the roll, the outcome and the debug line.

#include <gmock/gmock.h>

#include <cstdio>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <random>
#include <utility>
#include <vector>

#include "common/rng.h"
#include "config/settings.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "model/outcome_probability.h"
#include "model/shot_decision.h"
#include "model/shot_record.h"
#include "support/model_world.h"
#include "support/rng_support.h"
#include "support/test_support.h"

namespace {

std::string hex(GameHash hash) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", hash);
    return buffer;
}

std::string g9(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

// A text as the host log quotes it.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A generator whose draws give exactly these 24-bit values.
std::mt19937 draws_of(const std::vector<std::uint32_t>& bits) {
    std::vector<std::uint32_t> outputs;
    for (const std::uint32_t b : bits) outputs.push_back(test::output_with_bits(b));
    return test::generator_with_outputs(outputs);
}

// One player shot's heat at 20 degrees with the default recoil pair (1, 2):
// recoil x 1/12 + 0.025 + 20 / 450, for the lowest draw (recoil 1) and the
// highest (2 in single precision).
constexpr float lowest_shot_heat = 0.15277778f;
constexpr float highest_shot_heat = 0.23611112f;
constexpr std::uint32_t half = 0x800000;      // a unit draw of 0.5
constexpr std::uint32_t highest = 0xFFFFFF;   // the largest draw

class ShotEvalTest : public test::PluginTest {
protected:
    void start_world() {
        session_.reset();
        start();
        test::define_test_weapons(world());
    }
    // The player holding a pistol of this condition, shooting in every frame.
    std::int32_t shooting_player(float dirt, float degradation) {
        const std::int32_t object =
            test::arm_with(world(), world().player_ped, test::pistol_weapon, dirt, degradation);
        world().ped(world().player_ped).shooting = true;
        return object;
    }
    std::vector<const standin::Call*> calls_of(std::uint64_t hash) { return host().calls_of(hash); }
};

// The worked example of the defaults: dirt 0.2 and degradation 0.3 leave
// both terms 0, so the crack chance is its floor 0.002 and the explosion
// chance 0. Draws: recoil 1, firing dirt 0.002, roll 0.5.
TEST_F(ShotEvalTest, DefaultTablesCleanWeaponPlayerShotNativesAndFigures) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    start_world();
    shooting_player(0.2f, 0.3f);
    mod_rng = draws_of({0, 0, half});
    run_frames(1);

    const std::string overlay =
        "[pistol] Roll: 0.500\nDirt: 0.200 | Degradation: 0.300\nExp: 0.000 | Crack: 0.002\nHeat: 0.153 | Cold: 0.000\n";
    const std::string pistol = hex(test::pistol_weapon);
    EXPECT_THAT(test::lines_without_kick(host(), 1),
                ::testing::ElementsAre(
                    "1 PLAYER::PLAYER_PED_ID() -> 256", "1 ENTITY::DOES_ENTITY_EXIST(256) -> 1",
                    "1 PLAYER::PLAYER_ID() -> 0", "1 PLAYER::IS_PLAYER_CONTROL_ON(0) -> 1",
                    "1 PED::IS_PED_DEAD_OR_DYING(256, 1) -> 0",
                    "1 WEAPON::GET_CURRENT_PED_WEAPON(256, &" + pistol + ", 1, 0, 0) -> 1",
                    "1 WEAPON::IS_WEAPON_PISTOL(" + pistol + ") -> 1", "1 WEAPON::_GET_PED_WEAPON_OBJECT(256, 1) -> 257",
                    "1 ENTITY::GET_ENTITY_COORDS(256, 1, 0) -> (0, 0, 0)",
                    "1 MISC::_GET_TEMPERATURE_AT_COORDS(0, 0, 0) -> 20", "1 PED::IS_PED_SHOOTING(256) -> 1",
                    "1 WEAPON::_GET_WEAPON_DIRT(257) -> 0.200000003",
                    "1 WEAPON::GET_WEAPON_DEGRADATION(257) -> 0.300000012", "1 PLAYER::PLAYER_PED_ID() -> 256",
                    "1 PED::IS_PED_IN_COVER(256, 0, 0) -> 0", "1 PLAYER::PLAYER_PED_ID() -> 256",
                    "1 PED::GET_PED_CROUCH_MOVEMENT(256) -> 0", "1 PLAYER::PLAYER_PED_ID() -> 256",
                    "1 PED::GET_PED_COMBAT_MOVEMENT(256) -> 0", "1 WEAPON::_SET_WEAPON_DIRT(257, 0.202000007, 0)",
                    // The overlay of the shot is drawn in the same pass.
                    "1 HUD::SET_TEXT_SCALE(0.349999994, 0.349999994)", "1 HUD::SET_TEXT_CENTRE(0)",
                    "1 HUD::SET_TEXT_DROPSHADOW(0, 0, 0, 0, 0)",
                    "1 MISC::VAR_STRING(10, \"LITERAL_STRING\", " + quoted(overlay) + ") -> " + quoted(overlay),
                    "1 HUD::_DISPLAY_TEXT(" + quoted(overlay) + ", 0.00999999978, 0.5)", "1 scriptWait(0)"));
    EXPECT_EQ(std::string(on_screen.debug_overlay_text), overlay);
    EXPECT_FLOAT_EQ(barrel.barrel_heat, lowest_shot_heat);
    EXPECT_EQ(on_screen.notification_frames_left, 0);

    // The shot's record holds the figures the overlay shows, what they came
    // from and what the shot wrote on the weapon.
    ASSERT_EQ(shot_records.written, 1u);
    const ShotRecord& record = shot_record_at(0);
    EXPECT_EQ(record.weapon_object, 257);
    EXPECT_EQ(record.dirt, 0.2f);
    EXPECT_EQ(record.game_degradation, 0.3f);
    EXPECT_EQ(record.effective_degradation, 0.3f);
    EXPECT_FALSE(record.base_degradation);
    EXPECT_EQ(record.heat, barrel.barrel_heat);
    EXPECT_EQ(record.cold, 0.0f);
    // All recoil modifiers 1: the kick is the recoil draw.
    EXPECT_EQ(record.kick, 1.0f);
    EXPECT_EQ(record.chances.crack_chance, 0.002f);
    EXPECT_EQ(record.chances.explosion_chance, 0.0f);
    EXPECT_EQ(record.chances.crack_degradation_limit, 0.99f);
    EXPECT_EQ(record.roll, 0.5f);
    EXPECT_EQ(record.outcome, ShotOutcome::none);
    EXPECT_TRUE(record.dirt_set);
    EXPECT_EQ(g9(record.dirt_written), "0.202000007");
    EXPECT_FALSE(record.degradation_set);
}

TEST_F(ShotEvalTest, ARollBelowTheCrackFloorCracksAWeaponWithinTheLimit) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    struct Case {
        float dirt;
        float degradation;
        const char* notification;
    };
    const std::vector<Case> cases = {
        {0.2f, 0.3f, "Your Guns Barrel has Cracked!"},
        // Equal to the limit min(2 x 0.5, 0.99) still cracks.
        {0.2f, 0.99f, "Your Guns Barrel has Cracked!"},
        // Above the largest limit: never a crack, and without dirt no explosion.
        {0.2f, 0.995f, ""},
        // ... it can only explode.
        {0.9f, 0.995f, "Your Gun Exploded!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degradation);
        SCOPED_TRACE(c.dirt);
        reset_plugin_state();
        start_world();
        shooting_player(c.dirt, c.degradation);
        // A roll of 2^-24, below every chance.
        mod_rng = draws_of({0, 0, 1});
        run_frames(1);
        EXPECT_STREQ(on_screen.notification_text, c.notification);
        EXPECT_EQ(on_screen.notification_frames_left, c.notification[0] != 0 ? 499 : 0);
        EXPECT_EQ(on_screen.debug_overlay_frames_left, 119);
    }
}

TEST_F(ShotEvalTest, BelowHalfDegradationNeverExplodes) {
    // min_degradation 0.2 keeps the crack limit at 0.4, below both degradations.
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Min_Degradation_To_Explode]\npistol_min_degradation=0.2\n");
    for (const float degradation : {0.49f, 0.5f}) {
        SCOPED_TRACE(degradation);
        reset_plugin_state();
        start_world();
        shooting_player(1.0f, degradation);
        mod_rng = draws_of({0, 0, 1});
        run_frames(1);
        const bool explodes = degradation >= 0.5f;
        EXPECT_STREQ(on_screen.notification_text, explodes ? "Your Gun Exploded!" : "");
        EXPECT_EQ(std::strstr(on_screen.debug_overlay_text, "Exp: 0.000") != nullptr, !explodes) << on_screen.debug_overlay_text;
    }
}

// An NPC's new-looking weapon takes the first entry whose name hashes to its
// group: 0.7 with the defaults gives a degradation term of cap(0.4) x 0.33 =
// 0.1188 and, with dirt 0.2 below its minimum, a crack chance of
// (0.01 x 0.01)^0.25 x 0.1188^0.4 x 0.01^0.3 = 0.0107.
TEST_F(ShotEvalTest, NpcBaseDegradationComesFromTheFirstEntryWhoseNameHashMatches) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n"
        "[Base_Degradation]\nc_after=0.3,0.4\nb_match=0.7,0.7\na_other=0.1,0.2\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    const std::int32_t object = test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.0f);
    world().ped(npc).relationship_hash = standin::joaat("b_match");
    world().ped(npc).shooting = true;
    // Draws: base degradation, firing dirt, roll.
    mod_rng = draws_of({half, 0, half});
    run_frames(1);

    const std::vector<std::string> shot = test::lines_of(
        host(), 1, {0x0D78E1097F89E637, 0x7DBDD04862D95F04, 0xFD340785ADF8CFB7, 0x812CE61DEBCAB948});
    EXPECT_THAT(shot, ::testing::ElementsAre(
                          "1 WEAPON::GET_WEAPON_DEGRADATION(" + std::to_string(object) + ") -> 0",
                          "1 PED::GET_PED_RELATIONSHIP_GROUP_HASH(" + std::to_string(npc) + ") -> " +
                              hex(standin::joaat("b_match")),
                          "1 MISC::GET_HASH_KEY(\"a_other\") -> " + hex(standin::joaat("a_other")),
                          "1 MISC::GET_HASH_KEY(\"b_match\") -> " + hex(standin::joaat("b_match")),
                          "1 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", 0.202000007, 0)"));
    EXPECT_EQ(std::string(on_screen.debug_overlay_text),
              "[pistol] Roll: 0.500\nDirt: 0.200 | Degradation: 0.700\nExp: 0.000 | Crack: 0.011\nHeat: 0.000 | Cold: "
              "0.000\n");
    const ShotRecord& record = shot_record_at(0);
    EXPECT_TRUE(record.base_degradation);
    EXPECT_EQ(record.base_degradation_entry, 1);
    EXPECT_NEAR(record.chances.crack_chance, 0.0107134, 1e-6);
}

TEST_F(ShotEvalTest, NpcWithoutBaseDegradationKeepsItsOwnAndDrawsDirtThenRoll) {
    struct Case {
        const char* name;
        const char* npc_switch;
        GameHash relationship;
        float degradation;
        bool asks_relationship;
    };
    const std::vector<Case> cases = {
        {"no entry matches", "1", standin::joaat("nobody"), 0.0f, true},
        {"switch of 2 is not on", "2", standin::joaat("b_match"), 0.0f, false},
        {"the game has a degradation", "1", standin::joaat("b_match"), 0.4f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ini(std::string("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n[NPC]\nenable_explosion=") +
            c.npc_switch + "\n[Base_Degradation]\nb_match=0.7,0.7\n");
        reset_plugin_state();
        start_world();
        const std::int32_t npc = world().add_ped();
        const std::int32_t object = test::arm_with(world(), npc, test::pistol_weapon, 0.2f, c.degradation);
        world().ped(npc).relationship_hash = c.relationship;
        world().ped(npc).shooting = true;
        // Draws: firing dirt (the highest), roll 0.5.
        mod_rng = draws_of({highest, half});
        run_frames(1);
        EXPECT_EQ(calls_of(0x7DBDD04862D95F04).size(), c.asks_relationship ? 1u : 0u);
        const auto dirt_sets = calls_of(0x812CE61DEBCAB948);
        ASSERT_EQ(dirt_sets.size(), 1u);
        // 0.2 + 0.002 + just under 0.018.
        EXPECT_EQ(format_call(*dirt_sets[0]), "1 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", 0.219999999, 0)");
        EXPECT_EQ(std::strncmp(on_screen.debug_overlay_text, "[pistol] Roll: 0.500\n", 21), 0) << on_screen.debug_overlay_text;
        EXPECT_NE(std::strstr(on_screen.debug_overlay_text, c.degradation == 0.0f ? "Degradation: 0.000\n" : "Degradation: 0.400\n"),
                  nullptr)
            << on_screen.debug_overlay_text;
    }
}

TEST_F(ShotEvalTest, FiringDirtScalesTheWholeFigureAndTheShotStillUsesTheOpeningDirt) {
    std::vector<float> sent;
    for (const char* modifier : {"1.0", "2.0"}) {
        SCOPED_TRACE(modifier);
        ini(std::string("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Dirt_Increase]\npistol_dirt_modifier=") +
            modifier + "\n");
        reset_plugin_state();
        start_world();
        shooting_player(0.6f, 0.3f);
        mod_rng = draws_of({0, 0, half});
        run_frames(1);
        const auto dirt_sets = calls_of(0x812CE61DEBCAB948);
        ASSERT_EQ(dirt_sets.size(), 1u);
        sent.push_back(dirt_sets[0]->float_arg(1));
        EXPECT_NE(std::strstr(on_screen.debug_overlay_text, "Dirt: 0.600 |"), nullptr) << on_screen.debug_overlay_text;
    }
    // 0.6 + 0.002, and twice the whole figure, passed on above 1.
    EXPECT_FLOAT_EQ(sent[0], 0.602f);
    EXPECT_FLOAT_EQ(sent[1], 1.204f);
}

TEST_F(ShotEvalTest, FiringDirtSwitchedOffSendsNoDirtAndTheRollIsTheSecondDraw) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Player]\nfiring_increases_dirt=0\n");
    start_world();
    shooting_player(0.2f, 0.3f);
    mod_rng = draws_of({0, half, highest});
    run_frames(1);
    EXPECT_TRUE(calls_of(0x812CE61DEBCAB948).empty());
    EXPECT_EQ(std::string(on_screen.debug_overlay_text),
              "[pistol] Roll: 0.500\nDirt: 0.200 | Degradation: 0.300\nExp: 0.000 | Crack: 0.002\nHeat: 0.153 | Cold: "
              "0.000\n");
    EXPECT_FALSE(shot_record_at(0).dirt_set);
}

TEST_F(ShotEvalTest, OneShotHeatFromTheDefaultRecoilPairAtTwentyDegrees) {
    for (const char* recoil : {"1", "0"}) {
        for (const auto& [draw, heat] : {std::pair{0u, lowest_shot_heat}, std::pair{highest, highest_shot_heat}}) {
            SCOPED_TRACE(recoil);
            SCOPED_TRACE(draw);
            ini(std::string("[NPC]\nenable_explosion=0\n[Recoil]\nenable_recoil=") + recoil + "\n");
            reset_plugin_state();
            start_world();
            shooting_player(0.2f, 0.3f);
            mod_rng = draws_of({draw, 0, half});
            run_frames(1);
            // Without recoil no player-state query is made, but the draw still feeds the heat.
            const std::size_t queries = std::string(recoil) == "1" ? 1u : 0u;
            EXPECT_EQ(calls_of(0x60DFD0691A170B88).size(), queries);
            EXPECT_EQ(calls_of(0xD5FE956C70FF370B).size(), queries);
            EXPECT_EQ(calls_of(0xDEA92412FCAEB3F5).size(), queries);
            EXPECT_FLOAT_EQ(barrel.barrel_heat, heat);
            EXPECT_EQ(barrel.barrel_cold, 0.0f);
        }
    }
}

TEST_F(ShotEvalTest, AClassWithoutARecoilEntryShootsWithRecoilOneAndNoDraw) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    start_world();
    const std::int32_t object = test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
    run_frames(1);
    class_tuning.recoil.erase("pistol");
    world().ped(world().player_ped).shooting = true;
    // Draws: firing dirt, roll; a third that would be the roll if the recoil drew.
    mod_rng = draws_of({0, half, highest});
    run_frames(1);
    EXPECT_FLOAT_EQ(barrel.barrel_heat, lowest_shot_heat);
    EXPECT_EQ(format_call(*calls_of(0x812CE61DEBCAB948).at(0)),
              "2 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", 0.202000007, 0)");
    EXPECT_EQ(std::string(on_screen.debug_overlay_text),
              "[pistol] Roll: 0.500\nDirt: 0.200 | Degradation: 0.300\nExp: 0.000 | Crack: 0.002\nHeat: 0.153 | Cold: "
              "0.000\n");
    // The search added nothing.
    EXPECT_EQ(class_tuning.recoil.count("pistol"), 0u);
}

// Dirt and degradation 0.8 give both terms cap(0.6) x 0.33 = 0.1188; at the
// player's heat 0.3: crack (0.01 x 0.31)^0.25 x 0.1188^0.4 x 0.1288^0.3 =
// 0.0544, explosion (0.31 x 0.1188)^0.2 x 0.1188^0.6 x 0.01^-0.25 = 0.4551.
TEST_F(ShotEvalTest, AnNpcShotUsesThePlayersBarrelFiguresAndChangesNeither) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.8f, 0.8f);
    world().ped(npc).shooting = true;
    barrel.barrel_heat = 0.3f;
    // Draws: firing dirt, roll 0.75, above both chances.
    mod_rng = draws_of({0, 0xC00000});
    run_frames(1);
    EXPECT_EQ(std::string(on_screen.debug_overlay_text),
              "[pistol] Roll: 0.750\nDirt: 0.800 | Degradation: 0.800\nExp: 0.455 | Crack: 0.054\nHeat: 0.300 | Cold: "
              "0.000\n");
    EXPECT_NEAR(shot_record_at(0).chances.crack_chance, 0.0544179, 1e-6);
    EXPECT_NEAR(shot_record_at(0).chances.explosion_chance, 0.4551196, 1e-6);
    EXPECT_EQ(barrel.barrel_heat, 0.3f);
    EXPECT_EQ(barrel.barrel_cold, 0.0f);
    EXPECT_EQ(on_screen.notification_frames_left, 0);
}

TEST_F(ShotEvalTest, AnNpcCrackShowsNoNotificationButWritesTheDebugLine) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.3f);
    world().ped(npc).shooting = true;
    mod_rng = draws_of({0, 1});
    run_frames(1);
    EXPECT_EQ(on_screen.notification_frames_left, 0);
    EXPECT_STREQ(on_screen.notification_text, "");
    EXPECT_TRUE(calls_of(0x54D6900929CCF162).empty());
    EXPECT_EQ(on_screen.debug_overlay_frames_left, 119);
    EXPECT_EQ(std::strncmp(on_screen.debug_overlay_text, "[pistol] Roll: 0.000\n", 21), 0) << on_screen.debug_overlay_text;
    EXPECT_EQ(shot_record_at(0).outcome, ShotOutcome::crack);
}

TEST_F(ShotEvalTest, ALongDebugLineIsCutTo127Characters) {
    // A base degradation far out of range prints wide.
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n[Base_Degradation]\nwide=-1e38,-1e38\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.0f);
    world().ped(npc).relationship_hash = standin::joaat("wide");
    world().ped(npc).shooting = true;
    mod_rng = draws_of({0, 0, half});
    run_frames(1);
    EXPECT_EQ(std::string(on_screen.debug_overlay_text),
              "[pistol] Roll: 0.500\nDirt: 0.200 | Degradation: -99999996802856924650656260769173209088.000\nExp: 0.000 "
              "| Crack: 0.002\nHeat: 0.0");
}

}  // namespace

// How likely a shot's outcomes are: the count of every roll k x 2^-24 whose
// outcome is a crack or an explosion, counted roll by roll, at chances on and
// between the roll's steps, at both ends, past them and not a number.
TEST(OutcomeProbabilityTest, SharesEqualTheRollsCountedOneByOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float step = 0x1p-24f;
    const std::vector<std::tuple<float, float, float>> cases = {
        {0.002f, 0.3f, 0.6f},     {0.002f, 0.3f, 0.0f},  {step, 3 * step, 0.6f}, {1.5f * step, 0.0f, 0.6f},
        {0.99f, 0.99f, 0.6f},     {0.4f, 0.1f, 0.6f},    {1.0f, 0.2f, 0.6f},     {1.5f, 2.0f, 0.6f},
        {-0.1f, -1.0f, 0.6f},     {nan, 0.25f, 0.6f},    {0.25f, nan, 0.6f},     {1.0f - step, 1.0f - step / 2, 0.6f},
    };
    for (const float degradation : {0.3f, 0.7f}) {
        for (const auto& [crack, explosion, limit] : cases) {
            ShotChances chances;
            chances.crack_chance = crack;
            chances.explosion_chance = explosion;
            chances.crack_degradation_limit = limit;
            std::uint32_t cracks = 0;
            std::uint32_t explosions = 0;
            for (std::uint32_t k = 0; k < (1u << 24); ++k) {
                const ShotOutcome outcome = shot_outcome(chances, degradation, static_cast<float>(k) * step);
                cracks += outcome == ShotOutcome::crack ? 1 : 0;
                explosions += outcome == ShotOutcome::explosion ? 1 : 0;
            }
            const OutcomeProbabilities p = outcome_probabilities(chances, degradation);
            SCOPED_TRACE(testing::Message() << "crack " << crack << " explosion " << explosion << " limit " << limit
                                            << " degradation " << degradation);
            EXPECT_EQ(p.crack, std::ldexp(static_cast<double>(cracks), -24));
            EXPECT_EQ(p.explosion, std::ldexp(static_cast<double>(explosions), -24));
        }
    }
}
