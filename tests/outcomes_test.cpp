// The two failures a shot can cause: the barrel crack and the gun explosion.

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>

#include "common/rng.h"
#include "effects/crack.h"
#include "effects/explosion.h"
#include "model/shot_decision.h"
#include "support/effects_support.h"
#include "support/rng_support.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using test::float_text;

namespace {

constexpr std::uint64_t vehicle_query = 0x6094AD011A2EA87D;
constexpr std::uint64_t ragdoll_with_fall = 0xD76632D99E4966C8;
constexpr std::uint64_t knocked_out = 0xF90427F00A495A28;
constexpr std::uint64_t add_explosion = 0x7D6F58F69DA92530;
constexpr std::uint64_t attach_point_query = 0xCAD4FE9398820D24;
constexpr std::uint64_t drop_weapon = 0xCEF4C65DE502D367;
constexpr std::uint64_t remove_item = 0xB4158C8C9A3B5DCE;

float wear_of(std::uint32_t bits) { return static_cast<float>(bits) * 8.940696e-09f + 0.06f; }
float unit_of(std::uint32_t bits) { return static_cast<float>(bits) * 5.9604645e-08f; }
float signed_unit_of(std::uint32_t bits) { return static_cast<float>(bits) * 1.1920929e-07f - 1.0f; }

// Draws of one crack or explosion as the tests' own generator makes them.
struct Draws {
    float damage;
    float wear;
    float roll;
};
Draws crack_draws(std::uint32_t seed) {
    std::mt19937 own(seed);
    Draws d{};
    d.damage = static_cast<float>(test::draw_bits(own)) * 2.3841858e-08f + 0.1f;
    d.wear = wear_of(test::draw_bits(own));
    d.roll = unit_of(test::draw_bits(own));
    return d;
}
// The normalised fall direction from three draws (x from the third).
Vec3 direction_of(std::mt19937& own) {
    const float c1 = signed_unit_of(test::draw_bits(own));
    const float c2 = signed_unit_of(test::draw_bits(own));
    const float c3 = signed_unit_of(test::draw_bits(own));
    const float inverse = 1.0f / std::sqrt(c3 * c3 + c2 * c2 + c1 * c1);
    return {c3 * inverse, c2 * inverse, c1 * inverse};
}
std::string ragdoll_call(PedHandle ped, Vec3 d) {
    return "PED::SET_PED_TO_RAGDOLL_WITH_FALL(" + std::to_string(ped) + ", 5000, 5000, 1, " + float_text(d.x) +
           ", " + float_text(d.y) + ", " + float_text(d.z) + ", 0, 0, 0, 0, 0, 0, 0) -> 1";
}

// A seed whose wear draw is near the wanted amount and whose fall roll is
// (fall) below 0.21 or (no fall) 0.21 or more.
std::uint32_t seed_for_wear(float wanted, bool fall) {
    return test::find_seed([&](std::mt19937& own) {
        own.discard(1);
        const float wear = wear_of(test::draw_bits(own));
        const float roll = unit_of(test::draw_bits(own));
        return std::fabs(wear - wanted) < 0.004f && (roll < 0.21f) == fall;
    });
}

class OutcomeTest : public test::ScriptBodyTest {
protected:
    void SetUp() override {
        ScriptBodyTest::SetUp();
        player_ = world().player_ped;
        world().ped(player_).position = {3.0f, 4.0f, 5.0f};
        object_ = world().arm(player_, weapon_);
        p_ = std::to_string(player_);
        o_ = std::to_string(object_);
    }
    // The log lines after the shared blast (which ends with the blood pools).
    std::vector<std::string> calls_after_blast() const {
        const std::vector<std::string> all = calls();
        auto it = std::find_if(all.begin(), all.end(),
                               [](const std::string& s) { return s.starts_with("GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED("); });
        EXPECT_NE(it, all.end());
        return {it == all.end() ? it : it + 1, all.end()};
    }
    // A crack of a shot with this dirt and effective degradation, its lift
    // decided as the plugin decides it.
    void crack(float dirt, float min_dirt, float degradation, float min_degradation, bool is_npc = false) {
        ShotRecord shot;
        shot.dirt = dirt;
        shot.effective_degradation = degradation;
        shot.tuning.min_dirt = min_dirt;
        shot.tuning.min_degradation = min_degradation;
        run([&] {
            shot.tuning.expo_type = 23;
            crack_barrel(player_, object_, shot.tuning, is_npc, [&shot](float wear) {
                decide_crack_wear(shot, wear);
                return CrackWear{shot.degradation_written, shot.dirt_written};
            });
        });
    }
    void explode(PedHandle ped, EntityHandle object, GameHash weapon, bool is_npc, int type = 27) {
        run([&] { explode_gun(ped, object, weapon, type, is_npc); });
    }
    const GameHash weapon_ = standin::joaat("weapon_repeater_carbine");
    PedHandle player_ = 0;
    EntityHandle object_ = 0;
    std::string p_;
    std::string o_;
};

// --- Barrel crack ---------------------------------------------------------

TEST_F(OutcomeTest, CrackWithTheDefaultsPlaysTheCrackBlastThenWritesDegradationBeforeDirt) {
    load();
    const std::uint32_t seed = seed_for_wear(0.1f, false);
    const Draws d = crack_draws(seed);
    mod_rng.seed(seed);
    crack(0.5f, 0.5f, 0.5f, 0.3f);

    std::vector<std::string> expected = {"ENTITY::GET_ENTITY_COORDS(" + o_ + ", 1, 0) -> (3, 4, 5)"};
    test::append(expected, test::effect_calls("core", "exp_air_dynamite", object_, 0.1f));
    test::append(expected, test::effect_calls("core", "exp_grd_smoke_post", object_, 0.15f));
    expected.push_back("FIRE::ADD_EXPLOSION(3, 4, 5, 23, 0, 1, 0, 1)");
    expected.push_back("GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(" + p_ + ")");
    // Degradation: 0.3 + wear (about 0.4) is below 0.5, so 0.5 goes back as it was.
    expected.push_back("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", 0.5)");
    // Dirt: 0.5 + wear (about 0.6) reaches 0.5 and is written.
    expected.push_back("WEAPON::_SET_WEAPON_DIRT(" + o_ + ", " + float_text(d.wear + 0.5f) + ", 0)");
    // A fall roll of 0.21 or more ends the crack without a shooter query.
    EXPECT_THAT(calls(), ElementsAreArray(expected));
    EXPECT_GE(d.roll, 0.21f);
    EXPECT_TRUE(world().ped(player_).has_weapon);
    EXPECT_TRUE(world().removals.empty());
    std::mt19937 own(seed);
    own.discard(3);
    EXPECT_EQ(mod_rng(), own());
}

TEST_F(OutcomeTest, CrackLiftsValuesUpToTheFloorAndKeepsTheOnesAbove) {
    load();
    const std::uint32_t seed = seed_for_wear(0.1f, false);
    const float wear = crack_draws(seed).wear;
    mod_rng.seed(seed);
    // Degradation 0.2 under a floor of about 0.4 is lifted; dirt 1.0 above 0.5 + wear stays.
    crack(1.0f, 0.5f, 0.2f, 0.3f);
    EXPECT_THAT(calls_after_blast(), ElementsAre("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", " +
                                                     float_text(wear + 0.3f) + ")",
                                                 "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", 1, 0)"));
    EXPECT_NEAR(wear + 0.3f, 0.4f, 0.005f);
}

TEST_F(OutcomeTest, CrackCapsRaisedValuesAt099) {
    load();
    const std::uint32_t seed = seed_for_wear(0.2f, false);
    mod_rng.seed(seed);
    // Degradation 1.0 with 0.85 + wear (about 1.05): not below it, so it comes down to 0.99.
    // Dirt 0.95 with 0.9 + wear (about 1.1): capped at 0.99.
    crack(0.95f, 0.9f, 1.0f, 0.85f);
    EXPECT_THAT(calls_after_blast(), ElementsAre("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", 0.99000001)",
                                                 "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", 0.99000001, 0)"));

    host().clear_log();
    mod_rng.seed(seed);
    // Dirt 1.0 with 0.85 + wear goes down to 0.99; degradation 0.995 above 0.0 + wear stays above the cap.
    crack(1.0f, 0.85f, 0.995f, 0.0f);
    EXPECT_THAT(calls_after_blast(), ElementsAre("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", " +
                                                     float_text(0.995f) + ")",
                                                 "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", 0.99000001, 0)"));
}

TEST_F(OutcomeTest, CrackFloorEqualToAValueAboveTheCapBringsItDownTo099) {
    load();
    // A wear draw of 0 is 0.06; with a minimum of 0.94 the floor is exactly 1.0.
    ASSERT_EQ(wear_of(0) + 0.94f, 1.0f);
    mod_rng = test::generator_with_outputs({0, 0, test::output_with_bits(0xFFFFFF)});
    crack(1.0f, 0.94f, 1.0f, 0.94f);
    EXPECT_THAT(calls_after_blast(), ElementsAre("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", 0.99000001)",
                                                 "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", 0.99000001, 0)"));
}

TEST_F(OutcomeTest, CrackFallRollBelow021ThrowsTheShooterInARandomDirection) {
    load();
    const std::uint32_t seed = seed_for_wear(0.15f, true);
    const Draws d = crack_draws(seed);
    std::mt19937 own(seed);
    own.discard(3);
    const Vec3 direction = direction_of(own);
    mod_rng.seed(seed);
    crack(0.2f, 0.5f, 0.3f, 0.5f);
    EXPECT_THAT(calls_after_blast(),
                ElementsAre("WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", " + float_text(d.wear + 0.5f) + ")",
                            "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", " + float_text(d.wear + 0.5f) + ", 0)",
                            "PED::GET_VEHICLE_PED_IS_USING(" + p_ + ") -> 0", ragdoll_call(player_, direction)));
}

TEST_F(OutcomeTest, CrackFallChanceEndsExactlyAt021) {
    load();
    // 3523215 x 2^-24 is just below 0.21, 3523216 x 2^-24 just above.
    ASSERT_LT(unit_of(3523215), 0.21f);
    ASSERT_GE(unit_of(3523216), 0.21f);
    const std::uint32_t half = test::output_with_bits(1u << 23);
    mod_rng = test::generator_with_outputs({0, 0, test::output_with_bits(3523215), half, half, half + 0x100, 0, 0,
                                            test::output_with_bits(3523216)});
    crack(0.0f, 0.5f, 0.0f, 0.5f);
    EXPECT_EQ(host().calls_of(vehicle_query).size(), 1u);
    EXPECT_EQ(host().calls_of(ragdoll_with_fall).size(), 1u);
    crack(0.0f, 0.5f, 0.0f, 0.5f);
    EXPECT_EQ(host().calls_of(vehicle_query).size(), 1u);
}

TEST_F(OutcomeTest, CrackWithRagdollsOffRollsButMakesNoQuery) {
    load("[Player]\nenable_ragdoll=0\n");
    const std::uint32_t seed = seed_for_wear(0.1f, true);
    mod_rng.seed(seed);
    crack(0.2f, 0.5f, 0.3f, 0.5f);
    EXPECT_EQ(calls_after_blast().size(), 2u);
    EXPECT_TRUE(host().calls_of(vehicle_query).empty());
    std::mt19937 own(seed);
    own.discard(3);
    EXPECT_EQ(mod_rng(), own());
}

TEST_F(OutcomeTest, CrackWithExplosionsOffStillWearsBleedsAndRolls) {
    load("[NPC]\nenable_explosion=0\n");
    const std::uint32_t seed = seed_for_wear(0.1f, true);
    const Draws d = crack_draws(seed);
    mod_rng.seed(seed);
    crack(0.2f, 0.5f, 0.3f, 0.5f, true);
    const std::vector<std::string> all = calls();
    ASSERT_GE(all.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(all.begin(), all.begin() + 4),
                ElementsAre("ENTITY::GET_ENTITY_COORDS(" + o_ + ", 1, 0) -> (3, 4, 5)",
                            "GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(" + p_ + ")",
                            "WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", " + float_text(d.wear + 0.5f) + ")",
                            "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", " + float_text(d.wear + 0.5f) + ", 0)"));
    EXPECT_EQ(host().calls_of(vehicle_query).size(), 1u);
    EXPECT_EQ(host().calls_of(ragdoll_with_fall).size(), 1u);
    EXPECT_TRUE(world().effects.empty());
    EXPECT_TRUE(world().explosions.empty());
}

// --- Gun explosion --------------------------------------------------------

TEST_F(OutcomeTest, ExplosionWithTheDefaultsInFullOrder) {
    load();
    world().ped(player_).attach_points[1] = 1;
    world().ped(player_).attach_points[2] = 1;
    mod_rng.seed(31);
    std::mt19937 own(31);
    own.discard(1);
    const Vec3 direction = direction_of(own);
    explode(player_, object_, weapon_, false);

    std::vector<std::string> expected = {"ENTITY::GET_ENTITY_COORDS(" + o_ + ", 1, 0) -> (3, 4, 5)"};
    test::append(expected, test::effect_calls("core", "exp_air_dynamite_volatile", object_, 0.2f));
    test::append(expected, test::effect_calls("core", "exp_grd_smoke_post_volatile", object_, 0.3f));
    test::append(expected, {
                               "FIRE::ADD_EXPLOSION(3, 4, 5, 27, 0, 1, 0, 1)",
                               "GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(" + p_ + ")",
                               "WEAPON::_SET_WEAPON_DEGRADATION(" + o_ + ", 1)",
                               "WEAPON::_SET_WEAPON_DIRT(" + o_ + ", 1, 0)",
                               "WEAPON::_GET_WEAPON_ATTACH_POINT(" + p_ + ", 0) -> 0",
                               "WEAPON::_GET_WEAPON_ATTACH_POINT(" + p_ + ", 2) -> 1",
                               "WEAPON::MAKE_PED_DROP_WEAPON(" + p_ + ", 0, 2, 0, 0) -> 0",
                               "INVENTORY::_INVENTORY_GET_INVENTORY_ID_FROM_PED(" + p_ + ") -> 1",
                               "INVENTORY::_INVENTORY_REMOVE_INVENTORY_ITEM_WITH_ITEMID(1, " + test::hex(weapon_) +
                                   ", 1, 0xD250A3F5) -> 1",
                               "OBJECT::_SET_OBJECT_BURN_LEVEL(" + o_ + ", 1, 1)",
                               "OBJECT::_SET_OBJECT_BURN_INTENSITY(" + o_ + ", 1)",
                               "OBJECT::_SET_OBJECT_BURN_OPACITY(" + o_ + ", 1)",
                               "OBJECT::BREAK_ALL_OBJECT_FRAGMENT_BONES(" + o_ + ")",
                               "OBJECT::ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE(" + o_ + ")",
                               // Damage is disabled by default: the random-direction fall.
                               "PED::GET_VEHICLE_PED_IS_USING(" + p_ + ") -> 0",
                               ragdoll_call(player_, direction),
                           });
    EXPECT_THAT(calls(), ElementsAreArray(expected));
    EXPECT_EQ(mod_rng(), own());

    const standin::Entity& gun = world().object(object_);
    EXPECT_EQ(gun.dirt, 1.0f);
    EXPECT_EQ(gun.degradation, 1.0f);
    EXPECT_EQ(gun.burn_level, 1.0f);
    EXPECT_EQ(gun.burn_intensity, 1.0f);
    EXPECT_EQ(gun.burn_opacity, 1.0f);
    EXPECT_FALSE(world().ped(player_).has_weapon);
}

TEST_F(OutcomeTest, ExplosionAsksTheIndicesInItsOwnOrderAndTakesTheFirstHit) {
    load();
    world().ped(player_).attach_points[1] = 1;
    world().ped(player_).attach_points[5] = 1;
    explode(player_, object_, weapon_, false);
    std::vector<std::int64_t> asked;
    for (const standin::Call* c : host().calls_of(attach_point_query)) asked.push_back(c->int_arg(1));
    EXPECT_THAT(asked, ElementsAre(0, 2, 3, 4, 1));
    ASSERT_EQ(world().drops.size(), 1u);
    EXPECT_EQ(world().drops[0].attach_point, 1);
}

TEST_F(OutcomeTest, ExplosionWithoutAnIndexDropsWithMinusOneAndStillRemovesTheWeapon) {
    load();
    const PedHandle npc = world().add_armed_ped(weapon_);
    const EntityHandle npc_object = world().ped(npc).weapon_object;
    std::uint64_t raw_index = 0;
    world().answer_override = [&](std::uint64_t hash, const std::uint64_t* args, int, std::uint64_t*) {
        if (hash == drop_weapon) raw_index = args[2];
        return false;
    };
    explode(npc, npc_object, weapon_, true);
    std::vector<std::int64_t> asked;
    for (const standin::Call* c : host().calls_of(attach_point_query)) asked.push_back(c->int_arg(1));
    EXPECT_THAT(asked, ElementsAre(0, 2, 3, 4, 1, 5, 6, 7, 8, 9));
    EXPECT_EQ(raw_index, 0xFFFFFFFFull);
    ASSERT_EQ(host().calls_of(drop_weapon).size(), 1u);
    EXPECT_EQ(host().calls_of(drop_weapon)[0]->int_arg(2), -1);
    ASSERT_EQ(world().removals.size(), 1u);
    EXPECT_EQ(world().removals[0].inventory_id, npc);
    EXPECT_EQ(world().removals[0].item, weapon_);
    EXPECT_EQ(world().removals[0].quantity, 1);
    EXPECT_EQ(world().removals[0].reason, 0xD250A3F5u);
    EXPECT_FALSE(world().ped(npc).has_weapon);
}

TEST_F(OutcomeTest, ExplosionWithDamageCarriesTheDrawAndKnocksTheShooterOut) {
    load("[Player]\ndisable_damage=0\ndamage_modifier=1.5\n");
    mod_rng.seed(12);
    std::mt19937 own(12);
    const float drawn = static_cast<float>(test::draw_bits(own)) * 2.3841858e-08f + 0.1f;
    explode(player_, object_, weapon_, false);
    ASSERT_EQ(world().explosions.size(), 1u);
    EXPECT_EQ(world().explosions[0].damage_scale, drawn * 1.5f);
    EXPECT_TRUE(host().calls_of(ragdoll_with_fall).empty());
    const auto tasks = host().calls_of(knocked_out);
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(standin::format_call(*tasks[0]), "1 TASK::TASK_KNOCKED_OUT(" + p_ + ", 0, 0)");
    // The last call of the explosion; only the damage draw was spent.
    EXPECT_EQ(&host().log().back(), tasks[0]);
    EXPECT_EQ(mod_rng(), own());
}

TEST_F(OutcomeTest, ExplosionWithExplosionsOffStillWrecksRemovesAndKnocksDown) {
    load("[Player]\nenable_explosion=0\n");
    explode(player_, object_, weapon_, false);
    EXPECT_TRUE(world().effects.empty());
    EXPECT_TRUE(host().calls_of(add_explosion).empty());
    EXPECT_EQ(host().calls_of(0xDFCE8CE9F3EBE93F).size(), 1u);
    EXPECT_EQ(world().object(object_).dirt, 1.0f);
    EXPECT_EQ(world().object(object_).degradation, 1.0f);
    EXPECT_EQ(world().object(object_).burn_opacity, 1.0f);
    EXPECT_TRUE(world().object(object_).fragments_broken);
    EXPECT_TRUE(world().object(object_).cleanup_when_out_of_range);
    EXPECT_EQ(host().calls_of(remove_item).size(), 1u);
    EXPECT_EQ(host().calls_of(ragdoll_with_fall).size(), 1u);
}

TEST_F(OutcomeTest, ExplosionWithRagdollsOffMakesNoQueryAndNoFall) {
    load("[Player]\nenable_ragdoll=0\n");
    mod_rng.seed(3);
    explode(player_, object_, weapon_, false);
    EXPECT_TRUE(host().calls_of(vehicle_query).empty());
    EXPECT_TRUE(world().falls.empty());
    EXPECT_EQ(host().log().back().name, "OBJECT::ONLY_CLEAN_UP_OBJECT_WHEN_OUT_OF_RANGE");
    std::mt19937 own(3);
    own.discard(1);
    EXPECT_EQ(mod_rng(), own());
}

TEST_F(OutcomeTest, ExplosionOnAVehicleKnocksTheShooterOffInsteadOfAFall) {
    load();
    world().ped(player_).vehicle = 812;
    explode(player_, object_, weapon_, false);
    ASSERT_EQ(world().falls.size(), 1u);
    EXPECT_EQ(world().falls[0].kind, standin::FallKind::off_vehicle);
    EXPECT_TRUE(host().calls_of(ragdoll_with_fall).empty());
    EXPECT_TRUE(host().calls_of(knocked_out).empty());
}

}  // namespace
