// The evaluation of one shot: effective degradation, recoil draw and heat,
// firing dirt, the two chances, the roll, the outcome and the debug line.

#include <gmock/gmock.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/rng.h"
#include "config/settings.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "model/shot_record.h"
#include "support/model_world.h"
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

// The overlay text as the shot writes it.
std::string debug_text(const char* weapon_class, float roll, float dirt, float degradation, float explosion,
                       float crack, float heat, float cold) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
                  "[%s] Roll: %.3f\nDirt: %.3f | Degradation: %.3f\nExp: %.3f | Crack: %.3f\nHeat: %.3f | Cold: %.3f\n",
                  weapon_class, static_cast<double>(roll), static_cast<double>(dirt),
                  static_cast<double>(degradation), static_cast<double>(explosion), static_cast<double>(crack),
                  static_cast<double>(heat), static_cast<double>(cold));
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

constexpr float twenty_degrees_factor = 20.0f * 0.0022222223f;

// One player shot's heat at 20 degrees, from the recoil draw of the pair (1, 2).
float default_shot_heat(std::uint32_t recoil_bits) {
    const float recoil = static_cast<float>(recoil_bits) * 1.0f * 5.9604645e-08f + 1.0f;
    return recoil * 0.083333336f + 0.025f + twenty_degrees_factor;
}

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

TEST_F(ShotEvalTest, DefaultTablesCleanWeaponPlayerShotNativesAndFigures) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    start_world();
    shooting_player(0.2f, 0.3f);
    // Draws: recoil, firing dirt, roll; the roll well above the crack floor.
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 3);
    mod_rng.seed(seed);
    run_frames(1);

    const float heat = default_shot_heat(bits[0]);
    const float new_dirt = (static_cast<float>(bits[1]) * 1.0728836e-09f + 0.002f + 0.2f) * 1.0f;
    const float roll = test::unit_of(bits[2]);
    // Both terms are 0, so the crack chance is its floor and the explosion chance 0.
    const std::string overlay = debug_text("pistol", roll, 0.2f, 0.3f, 0.0f, 0.002f, heat, 0.0f);
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
                    "1 PED::GET_PED_COMBAT_MOVEMENT(256) -> 0", "1 WEAPON::_SET_WEAPON_DIRT(257, " + g9(new_dirt) + ", 0)",
                    // The overlay of the shot is drawn in the same pass.
                    "1 HUD::SET_TEXT_SCALE(0.349999994, 0.349999994)", "1 HUD::SET_TEXT_CENTRE(0)",
                    "1 HUD::SET_TEXT_DROPSHADOW(0, 0, 0, 0, 0)",
                    "1 MISC::VAR_STRING(10, \"LITERAL_STRING\", " + quoted(overlay) + ") -> " + quoted(overlay),
                    "1 HUD::_DISPLAY_TEXT(" + quoted(overlay) + ", 0.00999999978, 0.5)", "1 scriptWait(0)"));
    EXPECT_EQ(std::string(debug_overlay_text), overlay);
    EXPECT_FLOAT_EQ(barrel_heat, heat);
    EXPECT_EQ(notification_frames_left, 0);

    // The shot's record holds the figures the overlay shows, and what they came from.
    ASSERT_EQ(shot_records_written, 1u);
    const ShotRecord& record = shot_record_at(0);
    EXPECT_EQ(record.ped, world().player_ped);
    EXPECT_FALSE(record.is_npc);
    EXPECT_STREQ(record.weapon_class, "pistol");
    EXPECT_EQ(record.weapon_hash, test::pistol_weapon);
    EXPECT_EQ(record.weapon_object, 257);
    EXPECT_EQ(record.temperature, 20.0f);
    EXPECT_EQ(record.dirt, 0.2f);
    EXPECT_EQ(record.game_degradation, 0.3f);
    EXPECT_EQ(record.effective_degradation, 0.3f);
    EXPECT_FALSE(record.base_degradation);
    EXPECT_EQ(record.heat, barrel_heat);
    EXPECT_EQ(record.cold, 0.0f);
    // All recoil modifiers 1: the kick is the recoil draw.
    EXPECT_EQ(record.kick, static_cast<float>(bits[0]) * 1.0f * 5.9604645e-08f + 1.0f);
    EXPECT_EQ(record.chances.crack_chance, 0.002f);
    EXPECT_EQ(record.chances.explosion_chance, 0.0f);
    EXPECT_EQ(record.chances.crack_degradation_limit, 0.99f);
    EXPECT_EQ(record.roll, roll);
    EXPECT_EQ(record.outcome, ShotOutcome::none);
}

TEST_F(ShotEvalTest, ARollBelowTheCrackFloorCracksAWeaponWithinTheLimit) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] < 0.002f; });
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
        test::reset_plugin_globals();
        start_world();
        shooting_player(c.dirt, c.degradation);
        mod_rng.seed(seed);
        run_frames(1);
        EXPECT_STREQ(notification_text, c.notification);
        EXPECT_EQ(notification_frames_left, c.notification[0] != 0 ? 499 : 0);
        EXPECT_EQ(debug_overlay_frames_left, 119);
    }
}

TEST_F(ShotEvalTest, BelowHalfDegradationNeverExplodes) {
    // min_degradation 0.2 keeps the crack limit at 0.4, below both degradations.
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Min_Degradation_To_Explode]\npistol_min_degradation=0.2\n");
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] < 0.002f; });
    for (const float degradation : {0.49f, 0.5f}) {
        SCOPED_TRACE(degradation);
        test::reset_plugin_globals();
        start_world();
        shooting_player(1.0f, degradation);
        mod_rng.seed(seed);
        run_frames(1);
        const bool explodes = degradation >= 0.5f;
        EXPECT_STREQ(notification_text, explodes ? "Your Gun Exploded!" : "");
        EXPECT_EQ(std::strstr(debug_overlay_text, "Exp: 0.000") != nullptr, !explodes) << debug_overlay_text;
    }
}

TEST_F(ShotEvalTest, NpcBaseDegradationComesFromTheFirstEntryWhoseNameHashMatches) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n"
        "[Base_Degradation]\nc_after=0.3,0.4\nb_match=0.7,0.7\na_other=0.1,0.2\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    const std::int32_t object = test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.0f);
    world().ped(npc).relationship_hash = standin::joaat("b_match");
    world().ped(npc).shooting = true;
    // Draws: base degradation, firing dirt, roll.
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 3);
    mod_rng.seed(seed);
    run_frames(1);

    const float new_dirt = static_cast<float>(bits[1]) * 1.0728836e-09f + 0.002f + 0.2f;
    const std::vector<std::string> shot = test::lines_of(
        host(), 1, {0x0D78E1097F89E637, 0x7DBDD04862D95F04, 0xFD340785ADF8CFB7, 0x812CE61DEBCAB948});
    EXPECT_THAT(shot, ::testing::ElementsAre(
                          "1 WEAPON::GET_WEAPON_DEGRADATION(" + std::to_string(object) + ") -> 0",
                          "1 PED::GET_PED_RELATIONSHIP_GROUP_HASH(" + std::to_string(npc) + ") -> " +
                              hex(standin::joaat("b_match")),
                          "1 MISC::GET_HASH_KEY(\"a_other\") -> " + hex(standin::joaat("a_other")),
                          "1 MISC::GET_HASH_KEY(\"b_match\") -> " + hex(standin::joaat("b_match")),
                          "1 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", " + g9(new_dirt) + ", 0)"));
    // 0.7 with the defaults: degradation term cap(0.4) x 0.33; dirt 0.2 gives no dirt term.
    const float h = 0.01f;
    const float c = 0.01f;
    const float degradation_term = 0.36000001f * 0.33f;
    float crack = std::pow(c * h, 0.25f) * std::pow(degradation_term, 0.4f) * std::pow(0.0f + 0.01f, 0.3f);
    EXPECT_EQ(std::string(debug_overlay_text),
              debug_text("pistol", test::unit_of(bits[2]), 0.2f, 0.7f, 0.0f, crack, 0.0f, 0.0f));
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
    const std::uint32_t seed =
        test::seed_where(3, [](const std::vector<float>& u) { return u[1] > 0.01f && std::fabs(u[1] - u[2]) > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ini(std::string("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n[NPC]\nenable_explosion=") +
            c.npc_switch + "\n[Base_Degradation]\nb_match=0.7,0.7\n");
        test::reset_plugin_globals();
        start_world();
        const std::int32_t npc = world().add_ped();
        const std::int32_t object = test::arm_with(world(), npc, test::pistol_weapon, 0.2f, c.degradation);
        world().ped(npc).relationship_hash = c.relationship;
        world().ped(npc).shooting = true;
        mod_rng.seed(seed);
        run_frames(1);
        EXPECT_EQ(calls_of(0x7DBDD04862D95F04).size(), c.asks_relationship ? 1u : 0u);
        const float new_dirt = static_cast<float>(bits[0]) * 1.0728836e-09f + 0.002f + 0.2f;
        const auto dirt_sets = calls_of(0x812CE61DEBCAB948);
        ASSERT_EQ(dirt_sets.size(), 1u);
        EXPECT_EQ(format_call(*dirt_sets[0]), "1 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", " +
                                                  g9(new_dirt) + ", 0)");
        char roll_text[32];
        std::snprintf(roll_text, sizeof roll_text, "[pistol] Roll: %.3f\n", static_cast<double>(test::unit_of(bits[1])));
        EXPECT_EQ(std::strncmp(debug_overlay_text, roll_text, std::strlen(roll_text)), 0) << debug_overlay_text;
        char degradation_text[32];
        std::snprintf(degradation_text, sizeof degradation_text, "Degradation: %.3f\n",
                      static_cast<double>(c.degradation));
        EXPECT_NE(std::strstr(debug_overlay_text, degradation_text), nullptr) << debug_overlay_text;
    }
}

TEST_F(ShotEvalTest, FiringDirtScalesTheWholeFigureAndTheShotStillUsesTheOpeningDirt) {
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 3);
    std::vector<float> sent;
    for (const char* modifier : {"1.0", "2.0"}) {
        SCOPED_TRACE(modifier);
        ini(std::string("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Dirt_Increase]\npistol_dirt_modifier=") +
            modifier + "\n");
        test::reset_plugin_globals();
        start_world();
        shooting_player(0.6f, 0.3f);
        mod_rng.seed(seed);
        run_frames(1);
        const auto dirt_sets = calls_of(0x812CE61DEBCAB948);
        ASSERT_EQ(dirt_sets.size(), 1u);
        sent.push_back(dirt_sets[0]->float_arg(1));
        EXPECT_NE(std::strstr(debug_overlay_text, "Dirt: 0.600 |"), nullptr) << debug_overlay_text;
    }
    const float increment = static_cast<float>(bits[1]) * 1.0728836e-09f;
    EXPECT_EQ(sent[0], increment + 0.002f + 0.6f);
    EXPECT_GE(sent[0], 0.602f);
    EXPECT_LT(sent[0], 0.620f);
    // Twice the whole figure, passed on above 1.
    EXPECT_EQ(sent[1], 2.0f * sent[0]);
    EXPECT_GT(sent[1], 1.2f);
}

TEST_F(ShotEvalTest, FiringDirtSwitchedOffSendsNoDirtAndTheRollIsTheSecondDraw) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n[Player]\nfiring_increases_dirt=0\n");
    start_world();
    shooting_player(0.2f, 0.3f);
    const std::uint32_t seed = test::seed_where(
        3, [](const std::vector<float>& u) { return u[1] > 0.01f && std::fabs(u[1] - u[2]) > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 2);
    mod_rng.seed(seed);
    run_frames(1);
    EXPECT_TRUE(calls_of(0x812CE61DEBCAB948).empty());
    EXPECT_EQ(std::string(debug_overlay_text), debug_text("pistol", test::unit_of(bits[1]), 0.2f, 0.3f, 0.0f, 0.002f,
                                                          default_shot_heat(bits[0]), 0.0f));
}

TEST_F(ShotEvalTest, OneShotHeatFromTheDefaultRecoilPairAtTwentyDegrees) {
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 1);
    for (const char* recoil : {"1", "0"}) {
        SCOPED_TRACE(recoil);
        ini(std::string("[NPC]\nenable_explosion=0\n[Recoil]\nenable_recoil=") + recoil + "\n");
        test::reset_plugin_globals();
        start_world();
        shooting_player(0.2f, 0.3f);
        mod_rng.seed(seed);
        run_frames(1);
        // Without recoil no player-state query is made, but the draw still feeds the heat.
        const std::size_t queries = std::string(recoil) == "1" ? 1u : 0u;
        EXPECT_EQ(calls_of(0x60DFD0691A170B88).size(), queries);
        EXPECT_EQ(calls_of(0xD5FE956C70FF370B).size(), queries);
        EXPECT_EQ(calls_of(0xDEA92412FCAEB3F5).size(), queries);
        EXPECT_FLOAT_EQ(barrel_heat, default_shot_heat(bits[0]));
        EXPECT_GE(barrel_heat, 0.1527f);
        EXPECT_LT(barrel_heat, 0.2362f);
        EXPECT_EQ(barrel_cold, 0.0f);
    }
}

TEST_F(ShotEvalTest, AClassWithoutARecoilEntryShootsWithRecoilOneAndNoDraw) {
    ini("[Main]\ndebug_mode=1\n[NPC]\nenable_explosion=0\n");
    start_world();
    const std::int32_t object = test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
    run_frames(1);
    class_tuning.recoil.erase("pistol");
    world().ped(world().player_ped).shooting = true;
    const std::uint32_t seed = test::seed_where(
        3, [](const std::vector<float>& u) { return u[1] > 0.01f && std::fabs(u[1] - u[2]) > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 2);
    mod_rng.seed(seed);
    run_frames(1);
    const float heat = 1.0f * 0.083333336f + 0.025f + twenty_degrees_factor;
    EXPECT_FLOAT_EQ(barrel_heat, heat);
    const float new_dirt = static_cast<float>(bits[0]) * 1.0728836e-09f + 0.002f + 0.2f;
    EXPECT_EQ(format_call(*calls_of(0x812CE61DEBCAB948).at(0)),
              "2 WEAPON::_SET_WEAPON_DIRT(" + std::to_string(object) + ", " + g9(new_dirt) + ", 0)");
    EXPECT_EQ(std::string(debug_overlay_text),
              debug_text("pistol", test::unit_of(bits[1]), 0.2f, 0.3f, 0.0f, 0.002f, heat, 0.0f));
    // The search added nothing.
    EXPECT_EQ(class_tuning.recoil.count("pistol"), 0u);
}

TEST_F(ShotEvalTest, AnNpcShotUsesThePlayersBarrelFiguresAndChangesNeither) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.8f, 0.8f);
    world().ped(npc).shooting = true;
    barrel_heat = 0.3f;
    // Draws: firing dirt, roll; the roll above both chances.
    const std::uint32_t seed = test::seed_where(2, [](const std::vector<float>& u) { return u[1] > 0.6f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 2);
    mod_rng.seed(seed);
    run_frames(1);
    // Both terms cap(0.6) x 0.33 with the defaults.
    const float term = 0.36000001f * 0.33f;
    const float h = 0.3f + 0.01f;
    const float c = 0.0f + 0.01f;
    const float crack = std::pow(c * h, 0.25f) * std::pow(term, 0.4f) * std::pow(term + 0.01f, 0.3f);
    const float explosion = std::pow(h * term, 0.2f) * std::pow(term, 0.6f) * std::pow(c, -0.25f);
    EXPECT_EQ(std::string(debug_overlay_text),
              debug_text("pistol", test::unit_of(bits[1]), 0.8f, 0.8f, explosion, crack, 0.3f, 0.0f));
    EXPECT_EQ(barrel_heat, 0.3f);
    EXPECT_EQ(barrel_cold, 0.0f);
    EXPECT_EQ(notification_frames_left, 0);
}

TEST_F(ShotEvalTest, AnNpcCrackShowsNoNotificationButWritesTheDebugLine) {
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.3f);
    world().ped(npc).shooting = true;
    const std::uint32_t seed = test::seed_where(2, [](const std::vector<float>& u) { return u[1] < 0.002f; });
    mod_rng.seed(seed);
    run_frames(1);
    EXPECT_EQ(notification_frames_left, 0);
    EXPECT_STREQ(notification_text, "");
    EXPECT_TRUE(calls_of(0x54D6900929CCF162).empty());
    EXPECT_EQ(debug_overlay_frames_left, 119);
    EXPECT_EQ(std::strncmp(debug_overlay_text, "[pistol] Roll: 0.00", 19), 0) << debug_overlay_text;
}

TEST_F(ShotEvalTest, ALongDebugLineIsCutTo127Characters) {
    // A base degradation far out of range prints wide.
    ini("[Main]\ndebug_mode=1\n[Player]\nenable_explosion=0\n[Base_Degradation]\nwide=-1e38,-1e38\n");
    start_world();
    const std::int32_t npc = world().add_ped();
    test::arm_with(world(), npc, test::pistol_weapon, 0.2f, 0.0f);
    world().ped(npc).relationship_hash = standin::joaat("wide");
    world().ped(npc).shooting = true;
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    const std::vector<std::uint32_t> bits = test::draw_bits(seed, 3);
    mod_rng.seed(seed);
    run_frames(1);
    const std::string line = debug_text("pistol", test::unit_of(bits[2]), 0.2f, -1e38f, 0.0f, 0.002f, 0.0f, 0.0f);
    ASSERT_GT(line.size(), 127u);
    EXPECT_EQ(std::string(debug_overlay_text), line.substr(0, 127));
}

}  // namespace
