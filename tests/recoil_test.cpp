// The recoil of the player's shots and the camera kick that plays it out.

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

#include "model/barrel.h"
#include "recoil/recoil.h"
#include "support/effects_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::uint64_t free_aiming = 0x936F967D4BE1CE9D;
constexpr std::uint64_t get_pitch = 0x99AADEBBA803F827;
constexpr std::uint64_t set_pitch = 0xFB760AF4F537B8BF;

class RecoilTest : public test::ScriptBodyTest {};

TEST_F(RecoilTest, NeutralModifiersGiveTheRecoilAmountWhateverTheState) {
    load();
    barrel.barrel_heat = 0.7f;
    barrel.barrel_cold = 0.3f;
    apply_shot_recoil(1.37f, "pistol", 0.9f, 0.8f, true, true, true);
    EXPECT_EQ(camera_kick.kick_amount, 1.37f);
    EXPECT_EQ(camera_kick.kick_weapon_class, "pistol");
}

TEST_F(RecoilTest, ClassWithoutModifiersUsesNeutralOnesAndTheTableIsNotExtended) {
    load("[RecoilModifiers]\nrifle_recoil_modifiers=2,2,2,2,2,2,2\n");
    class_tuning.recoil_modifiers.erase("rifle");
    const std::size_t entries = class_tuning.recoil_modifiers.size();
    barrel.barrel_cold = 1.0f;
    apply_shot_recoil(1.25f, "rifle", 1.0f, 1.0f, true, true, true);
    EXPECT_EQ(camera_kick.kick_amount, 1.25f);
    EXPECT_EQ(class_tuning.recoil_modifiers.size(), entries);
}

TEST_F(RecoilTest, FullColdWithAZeroColdModifierGivesNoKick) {
    load("[RecoilModifiers]\nrifle_recoil_modifiers=0.0,1.0,1.0,1.0,1.0,1.0,1.0\n");
    barrel.barrel_cold = 1.0f;
    apply_shot_recoil(1.8f, "rifle", 0.4f, 0.4f, false, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 0.0f);
    // Half cold gives half the kick.
    barrel.barrel_cold = 0.5f;
    apply_shot_recoil(1.8f, "rifle", 0.4f, 0.4f, false, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 0.9f);
}

TEST_F(RecoilTest, HeatModifierOfThreeAtHalfHeatDoublesTheKick) {
    load("[RecoilModifiers]\nsniper_recoil_modifiers=1.0,3.0,1.0,1.0,1.0,1.0,1.0\n");
    barrel.barrel_heat = 0.5f;
    apply_shot_recoil(1.25f, "sniper", 0.0f, 0.0f, false, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 2.5f);
}

TEST_F(RecoilTest, DegradationDirtAndEachPlayerStateUseTheirOwnModifier) {
    load("[RecoilModifiers]\nshotgun_recoil_modifiers=1,1,3,5,2,4,8\n");
    // Degradation 0.5 gives 2, dirt 0.25 gives 2.
    apply_shot_recoil(1.5f, "shotgun", 0.5f, 0.25f, false, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 6.0f);
    apply_shot_recoil(1.5f, "shotgun", 0.5f, 0.25f, true, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 12.0f);
    apply_shot_recoil(1.5f, "shotgun", 0.5f, 0.25f, false, true, false);
    EXPECT_EQ(camera_kick.kick_amount, 24.0f);
    apply_shot_recoil(1.5f, "shotgun", 0.5f, 0.25f, false, false, true);
    EXPECT_EQ(camera_kick.kick_amount, 48.0f);
    apply_shot_recoil(1.5f, "shotgun", 0.5f, 0.25f, true, true, true);
    EXPECT_EQ(camera_kick.kick_amount, 384.0f);
}

TEST_F(RecoilTest, ASecondShotReplacesThePendingKickAndTheClass) {
    load();
    apply_shot_recoil(1.9f, "rifle", 0.0f, 0.0f, false, false, false);
    apply_shot_recoil(1.1f, "revolver", 0.0f, 0.0f, false, false, false);
    EXPECT_EQ(camera_kick.kick_amount, 1.1f);
    EXPECT_EQ(camera_kick.kick_weapon_class, "revolver");
}

TEST_F(RecoilTest, NoKickLeavesTheCameraAlone) {
    for (const float kick : {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN()}) {
        camera_kick.kick_amount = kick;
        camera_kick.kick_weapon_class = "rifle";
        run([] { camera_kick_step(); });
    }
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(RecoilTest, OneStepAsksTheFlagThenReadsAndSetsThePitch) {
    camera_kick.kick_amount = 0.5f;
    camera_kick.kick_weapon_class = "rifle";
    world().camera_pitch = 10.0f;
    run([] { camera_kick_step(); });
    EXPECT_THAT(calls(), ElementsAre("PLAYER::PLAYER_ID() -> 0", "PLAYER::IS_PLAYER_FREE_AIMING(0) -> 0",
                                     "CAM::GET_GAMEPLAY_CAM_RELATIVE_PITCH() -> 10",
                                     "CAM::SET_GAMEPLAY_CAM_RELATIVE_PITCH(" + test::float_text(10.52f) + ", 0.5)"));
    EXPECT_EQ(camera_kick.kick_amount, 0.52f - 0.05f);
}

// Pitch changes of the frame loop's camera steps, one per pass.
std::vector<float> pitch_steps(const std::vector<standin::PitchSet>& sets) {
    std::vector<float> steps;
    for (const standin::PitchSet& set : sets) steps.push_back(set.pitch - set.from);
    return steps;
}

class CameraKickLoopTest : public test::PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        start();
        run_frames(1);  // loads the settings
    }
};

TEST_F(CameraKickLoopTest, FreeAimingShrinksTheKickFastEveryPass) {
    world().free_aiming = true;
    camera_kick.kick_amount = 1.5f;
    camera_kick.kick_weapon_class = "pistol";
    run_frames(15);
    const std::vector<float> expected = {1.0f,      0.76f,      0.568f,      0.4144f,    0.29152f,
                                         0.193216f, 0.1145728f, 0.05165824f, 0.001326592f};
    const std::vector<float> steps = pitch_steps(world().pitch_sets);
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_NEAR(steps[i], expected[i], 2e-6f) << i;
    EXPECT_EQ(camera_kick.kick_amount, 0.0f);
    // One step per pass, and none once the kick is gone.
    const auto sets = host().calls_of(set_pitch);
    for (std::size_t i = 0; i < sets.size(); ++i) EXPECT_EQ(sets[i]->frame, 2 + static_cast<int>(i));
    EXPECT_EQ(host().calls_of(free_aiming).size(), expected.size());
    EXPECT_EQ(sets[0]->float_arg(1), 0.5f);
}

TEST_F(CameraKickLoopTest, WithoutFreeAimARifleKickIsCappedThenFallsByThreeHundredthsAPass) {
    camera_kick.kick_amount = 1.5f;
    camera_kick.kick_weapon_class = "rifle";
    run_frames(40);
    const std::vector<float> steps = pitch_steps(world().pitch_sets);
    ASSERT_EQ(steps.size(), 33u);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_NEAR(steps[i], 1.0f - 0.03f * static_cast<float>(i), 1e-5f) << i;
    }
    EXPECT_EQ(camera_kick.kick_amount, 0.0f);
    EXPECT_EQ(host().calls_of(free_aiming).size(), 33u);
}

TEST_F(CameraKickLoopTest, ARevolverKickIsDroppedWithoutTouchingTheCamera) {
    camera_kick.kick_amount = 0.8f;
    camera_kick.kick_weapon_class = "revolver";
    run_frames(3);
    EXPECT_EQ(camera_kick.kick_amount, 0.0f);
    EXPECT_EQ(host().calls_of(free_aiming).size(), 1u);
    EXPECT_TRUE(host().calls_of(get_pitch).empty());
    EXPECT_TRUE(host().calls_of(set_pitch).empty());
}

TEST_F(CameraKickLoopTest, FreeAimingKeepsARevolverKick) {
    world().free_aiming = true;
    camera_kick.kick_amount = 0.5f;
    camera_kick.kick_weapon_class = "revolver";
    run_frames(1);
    ASSERT_EQ(world().pitch_sets.size(), 1u);
    EXPECT_EQ(world().pitch_sets[0].pitch, 0.4f);
}

TEST_F(CameraKickLoopTest, ClassNamesCompareExactly) {
    camera_kick.kick_amount = 0.5f;
    camera_kick.kick_weapon_class = "Revolver";
    run_frames(1);
    EXPECT_EQ(world().pitch_sets.size(), 1u);
}

TEST_F(CameraKickLoopTest, PitchStaysWithinEightyNineDegrees) {
    world().camera_pitch = 88.5f;
    camera_kick.kick_amount = 1.0f;
    camera_kick.kick_weapon_class = "rifle";
    run_frames(1);
    ASSERT_EQ(world().pitch_sets.size(), 1u);
    EXPECT_EQ(world().pitch_sets[0].pitch, 89.0f);

    world().camera_pitch = -95.0f;
    camera_kick.kick_amount = 0.1f;
    run_frames(1);
    ASSERT_EQ(world().pitch_sets.size(), 2u);
    EXPECT_EQ(world().pitch_sets[1].pitch, -89.0f);
}

TEST_F(CameraKickLoopTest, APitchThatIsNotANumberLeavesTheCameraAloneAndTheKickStillDecays) {
    camera_kick.kick_amount = 0.5f;
    camera_kick.kick_weapon_class = "rifle";
    world().camera_pitch = std::numeric_limits<float>::quiet_NaN();
    run_frames(1);
    EXPECT_EQ(host().calls_of(get_pitch).size(), 1u);
    EXPECT_TRUE(host().calls_of(set_pitch).empty());
    EXPECT_EQ(camera_kick.kick_amount, 0.52f - 0.05f);

    // Once the game answers with a number again, the kick left is played out.
    world().camera_pitch = 3.0f;
    run_frames(1);
    ASSERT_EQ(world().pitch_sets.size(), 1u);
    EXPECT_EQ(world().pitch_sets[0].pitch, 3.0f + ((0.52f - 0.05f) + 0.02f));
    // Infinities are numbers: the clamp holds them to the camera's range.
    world().camera_pitch = -std::numeric_limits<float>::infinity();
    run_frames(1);
    ASSERT_EQ(world().pitch_sets.size(), 2u);
    EXPECT_EQ(world().pitch_sets[1].pitch, -89.0f);
}

}  // namespace
