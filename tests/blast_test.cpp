// The blast at the weapon and the shooter's fall that cracks and explosions share.

#include <gmock/gmock.h>

#include <cmath>

#include "common/rng.h"
#include "effects/blast.h"
#include "effects/particles.h"
#include "support/effects_support.h"
#include "support/rng_support.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

constexpr std::uint64_t add_explosion = 0x7D6F58F69DA92530;
constexpr std::uint64_t ragdoll_with_fall = 0xD76632D99E4966C8;

std::vector<std::pair<PedHandle, bool>> falls_taken;
void recording_fall(PedHandle ped, bool is_npc) { falls_taken.emplace_back(ped, is_npc); }

class BlastTest : public test::ScriptBodyTest {
protected:
    void SetUp() override {
        ScriptBodyTest::SetUp();
        falls_taken.clear();
        player_ = world().player_ped;
        world().ped(player_).position = {1.5f, -2.25f, 30.0f};
        object_ = world().arm(player_, standin::joaat("weapon_revolver_cattleman"));
        npc_ = world().add_armed_ped(standin::joaat("weapon_rifle_varmint"), {-4.0f, 8.5f, 2.0f});
        npc_object_ = world().ped(npc_).weapon_object;
    }
    // The generator advanced by exactly this many outputs since seeding.
    void expect_draws_spent(std::uint32_t seed, int count) {
        std::mt19937 own(seed);
        own.discard(static_cast<unsigned long long>(count));
        EXPECT_EQ(mod_rng(), own()) << "draws spent";
    }
    void blast(PedHandle ped, EntityHandle object, bool is_npc, int type = 23) {
        run([&] { blast_at_weapon(ped, object, is_npc, type, crack_flash_effect(), crack_smoke_effect()); });
    }
    PedHandle player_ = 0;
    EntityHandle object_ = 0;
    PedHandle npc_ = 0;
    EntityHandle npc_object_ = 0;
};

TEST_F(BlastTest, PlayerBlastWithTheDefaultsPlaysBothEffectsThenAHarmlessExplosion) {
    load();
    mod_rng.seed(42);
    blast(player_, object_, false);
    std::vector<std::string> expected = {"ENTITY::GET_ENTITY_COORDS(" + std::to_string(object_) +
                                         ", 1, 0) -> (1.5, -2.25, 30)"};
    test::append(expected, test::effect_calls("core", "exp_air_dynamite", object_, 0.1f));
    test::append(expected, test::effect_calls("core", "exp_grd_smoke_post", object_, 0.15f));
    expected.push_back("FIRE::ADD_EXPLOSION(1.5, -2.25, 30, 23, 0, 1, 0, 1)");
    expected.push_back("GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(" + std::to_string(player_) + ")");
    EXPECT_THAT(calls(), ElementsAreArray(expected));
    ASSERT_EQ(world().explosions.size(), 1u);
    EXPECT_EQ(world().explosions[0].damage_scale, 0.0f);
    EXPECT_FALSE(std::signbit(world().explosions[0].damage_scale));
    expect_draws_spent(42, 1);
}

TEST_F(BlastTest, ExplosionIsMadeWhereTheWeaponWasWhenTheBlastBegan) {
    load();
    world().set_dictionary("core", standin::DictionaryLoad::after_request, 3);
    world().on_frame = [this](standin::World& w, int frame) {
        w.ped(player_).position = {static_cast<float>(frame), 0.0f, 0.0f};
    };
    blast(player_, object_, false, 7);
    ASSERT_EQ(world().explosions.size(), 1u);
    EXPECT_EQ(world().explosions[0].frame, 4);
    EXPECT_EQ(world().explosions[0].position.x, 1.0f);
    EXPECT_EQ(world().explosions[0].type, 7);
    EXPECT_EQ(world().effects.size(), 2u);
}

TEST_F(BlastTest, DamageModifierScalesTheDrawnDamage) {
    load("[NPC]\ndisable_damage=0\ndamage_modifier=2.0\n");
    std::mt19937 own(2024);
    mod_rng.seed(2024);
    run([&] {
        for (int i = 0; i < 200; ++i) {
            blast_at_weapon(npc_, npc_object_, true, 23, explosion_flash_effect(), explosion_smoke_effect());
        }
    });
    ASSERT_EQ(world().explosions.size(), 200u);
    for (const standin::Explosion& e : world().explosions) {
        const float drawn = static_cast<float>(test::draw_bits(own)) * 2.3841858e-08f + 0.1f;
        EXPECT_EQ(e.damage_scale, drawn * 2.0f);
        EXPECT_GE(e.damage_scale, 0.2f);
        EXPECT_LT(e.damage_scale, 1.0f);
    }
}

TEST_F(BlastTest, DamageRangeEndsWithAModifierOfTwo) {
    load("[NPC]\ndisable_damage=0\ndamage_modifier=2.0\n");
    mod_rng = test::generator_with_outputs({test::output_with_bits(0), test::output_with_bits(0xFFFFFF)});
    blast(npc_, npc_object_, true);
    blast(npc_, npc_object_, true);
    ASSERT_EQ(world().explosions.size(), 2u);
    EXPECT_EQ(world().explosions[0].damage_scale, 0.2f);
    EXPECT_EQ(world().explosions[1].damage_scale, 0.99999994f);
}

TEST_F(BlastTest, DisabledDamageIsExactlyZeroAndLeavesTheModifierUnread) {
    load("[NPC]\ndisable_damage=1\ndamage_modifier=5.0\n");
    shooter_tuning.damage_modifier.erase("NPC");
    blast(npc_, npc_object_, true);
    ASSERT_EQ(world().explosions.size(), 1u);
    EXPECT_EQ(world().explosions[0].damage_scale, 0.0f);
    EXPECT_EQ(shooter_tuning.damage_modifier.count("NPC"), 0u);
    EXPECT_EQ(world().explosions[0].position.x, -4.0f);

    // With damage on, the modifier is read (a missing one is added and reads 0).
    shooter_tuning.disable_damage["NPC"] = 0;
    blast(npc_, npc_object_, true);
    EXPECT_EQ(shooter_tuning.damage_modifier.count("NPC"), 1u);
    EXPECT_EQ(world().explosions.at(1).damage_scale, 0.0f);
}

TEST_F(BlastTest, ExplosionSwitchOtherThanOneMakesNoEffectsNorExplosionButStillDrawsAndBleeds) {
    for (const char* value : {"0", "2"}) {
        SCOPED_TRACE(value);
        host().reset();
        load(std::string("[Player]\nenable_explosion=") + value + "\n");
        mod_rng.seed(9);
        blast(world().player_ped, world().ped(world().player_ped).weapon_object, false);
        EXPECT_THAT(calls(), ElementsAre("ENTITY::GET_ENTITY_COORDS(0, 1, 0) -> (0, 0, 0)",
                                         "GRAPHICS::_ADD_BLOOD_POOLS_FOR_PED(256)"));
        expect_draws_spent(9, 1);
    }
}

TEST_F(BlastTest, EachShooterKindReadsItsOwnSwitches) {
    load("[Player]\nenable_explosion=0\n[NPC]\nenable_explosion=1\n");
    blast(player_, object_, false);
    EXPECT_TRUE(host().calls_of(add_explosion).empty());
    blast(npc_, npc_object_, true);
    EXPECT_EQ(host().calls_of(add_explosion).size(), 1u);
}

TEST_F(BlastTest, KnockDownWithRagdollsOffMakesNoCallAtAll) {
    for (const char* value : {"0", "2"}) {
        SCOPED_TRACE(value);
        host().reset();
        falls_taken.clear();
        load(std::string("[NPC]\nenable_ragdoll=") + value + "\n");
        const PedHandle ped = world().add_ped();
        run([&] { knock_down_shooter(ped, true, &recording_fall); });
        EXPECT_THAT(lines(), IsEmpty());
        EXPECT_TRUE(falls_taken.empty());
    }
}

TEST_F(BlastTest, KnockDownTakesTheShooterOffTheVehicleInsteadOfTheFall) {
    load();
    world().ped(npc_).vehicle = 900;
    run([&] { knock_down_shooter(npc_, true, &recording_fall); });
    const std::string ped = std::to_string(npc_);
    EXPECT_THAT(calls(), ElementsAre("PED::GET_VEHICLE_PED_IS_USING(" + ped + ") -> 900",
                                     "PED::KNOCK_PED_OFF_VEHICLE(" + ped + ")"));
    EXPECT_TRUE(falls_taken.empty());
}

TEST_F(BlastTest, KnockDownOnFootTakesTheCallersFall) {
    load();
    run([&] { knock_down_shooter(player_, false, &recording_fall); });
    EXPECT_THAT(calls(), ElementsAre("PED::GET_VEHICLE_PED_IS_USING(256) -> 0"));
    EXPECT_THAT(falls_taken, ElementsAre(std::make_pair(player_, false)));
}

TEST_F(BlastTest, RandomFallGoesTowardsTheNormalisedDrawsThirdFirst) {
    load();
    mod_rng.seed(77);
    run([&] { ragdoll_random_direction(npc_, true); });
    std::mt19937 own(77);
    const float c1 = static_cast<float>(test::draw_bits(own)) * 1.1920929e-07f - 1.0f;
    const float c2 = static_cast<float>(test::draw_bits(own)) * 1.1920929e-07f - 1.0f;
    const float c3 = static_cast<float>(test::draw_bits(own)) * 1.1920929e-07f - 1.0f;
    const float inverse = 1.0f / std::sqrt(c3 * c3 + c2 * c2 + c1 * c1);

    const auto found = host().calls_of(ragdoll_with_fall);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(host().log().size(), 1u);
    const standin::Call& c = *found[0];
    EXPECT_EQ(c.int_arg(0), npc_);
    EXPECT_EQ(c.int_arg(1), 5000);
    EXPECT_EQ(c.int_arg(2), 5000);
    EXPECT_EQ(c.int_arg(3), 1);
    EXPECT_EQ(c.float_arg(4), c3 * inverse);
    EXPECT_EQ(c.float_arg(5), c2 * inverse);
    EXPECT_EQ(c.float_arg(6), c1 * inverse);
    for (std::size_t i = 7; i < 14; ++i) EXPECT_EQ(c.float_arg(i), 0.0f) << i;
    const float x = c.float_arg(4), y = c.float_arg(5), z = c.float_arg(6);
    EXPECT_NEAR(x * x + y * y + z * z, 1.0f, 1e-5f);
    EXPECT_EQ(world().falls.at(0).kind, standin::FallKind::ragdoll);
}

TEST_F(BlastTest, RandomFallWithoutALengthGoesStraightDown) {
    load();
    // Exactly zero, then 2^-23 on each axis (length about 2.1e-07).
    mod_rng = test::generator_with_outputs({test::output_with_bits(1u << 23), test::output_with_bits(1u << 23),
                                            test::output_with_bits(1u << 23), test::output_with_bits((1u << 23) + 1),
                                            test::output_with_bits((1u << 23) + 1),
                                            test::output_with_bits((1u << 23) + 1)});
    run([&] {
        ragdoll_random_direction(npc_, true);
        ragdoll_random_direction(npc_, true);
    });
    ASSERT_EQ(world().falls.size(), 2u);
    for (const standin::Fall& f : world().falls) {
        EXPECT_EQ(f.direction.x, 0.0f);
        EXPECT_EQ(f.direction.y, 0.0f);
        EXPECT_EQ(f.direction.z, -1.0f);
    }
}

TEST_F(BlastTest, RandomFallWithRagdollsOffSpendsItsThreeDrawsWithoutACall) {
    load("[Player]\nenable_ragdoll=0\n");
    mod_rng.seed(5);
    run([&] { ragdoll_random_direction(player_, false); });
    EXPECT_THAT(lines(), IsEmpty());
    expect_draws_spent(5, 3);
}

TEST_F(BlastTest, KnockedOutFallIsThePlainTask) {
    load();
    run([&] { knocked_out_fall(npc_, true); });
    EXPECT_THAT(calls(), ElementsAre("TASK::TASK_KNOCKED_OUT(" + std::to_string(npc_) + ", 0, 0)"));
}

}  // namespace
