// Particle effects: the bounded asset load, one-shot effects on an entity and
// the looped heat smoke.

#include <gmock/gmock.h>

#include <algorithm>

#include "effects/particles.h"
#include "host/natives.h"
#include "support/effects_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::float_text;
using test::hash_of;

namespace {

constexpr std::uint64_t has_loaded = 0x65BB72F29138F5D6;
constexpr std::uint64_t request = 0xF2B2353BBC0D4E8F;

class ParticlesTest : public test::ScriptBodyTest {
protected:
    void SetUp() override {
        ScriptBodyTest::SetUp();
        load();
        object_ = world().add_weapon_object();
    }
    std::int32_t object_ = 0;
};

TEST_F(ParticlesTest, LoadedDictionaryStartsTheEffectInTheSameFrameWithoutRequest) {
    world().set_dictionary("core", standin::DictionaryLoad::loaded);
    const int frames = run([&] { play_entity_effect({"core", "exp_air_dynamite", 0.1f}, object_); });
    EXPECT_EQ(frames, 1);
    const std::string h = hash_of("core");
    EXPECT_THAT(lines(), ElementsAre("1 MISC::GET_HASH_KEY(\"core\") -> " + h,
                                     "1 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
                                     "1 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
                                     "1 GRAPHICS::USE_PARTICLE_FX_ASSET(\"core\")",
                                     "1 GRAPHICS::START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY("
                                     "\"exp_air_dynamite\", " +
                                         std::to_string(object_) + ", 0, 0, 0, -90, 0, 0, " +
                                         float_text(0.1f) + ", 0, 0, 0) -> 1"));
    ASSERT_EQ(world().effects.size(), 1u);
    EXPECT_EQ(world().effects[0].dictionary, "core");
    EXPECT_FALSE(world().effects[0].looped);
}

TEST_F(ParticlesTest, DictionaryThatNeverLoadsCostsExactly301FramesAndStartsNothing) {
    world().set_dictionary("core", standin::DictionaryLoad::never);
    bool loaded = true;
    const int frames = run([&] { loaded = ensure_effect_asset("core"); });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(frames, 302);
    EXPECT_EQ(host().wait_count(), 301u);
    // Each wait is a real frame: the script is parked in the load, one yield a frame.
    for (int frame = 1; frame <= 301; ++frame) ASSERT_EQ(host().waits_in_frame(frame), 1) << frame;
    EXPECT_EQ(host().waits_in_frame(302), 0);
    // The first test, one per round of the loop (302), the last test.
    EXPECT_EQ(host().calls_of(has_loaded).size(), 304u);
    ASSERT_EQ(host().calls_of(request).size(), 1u);
    EXPECT_EQ(world().dictionary("core")->requests, 1);

    // Nothing but load tests happens while the script waits.
    const auto& log = host().log();
    const auto first_wait = std::find_if(log.begin(), log.end(), [](const standin::Call& c) { return c.is_wait(); });
    for (auto it = first_wait; it != log.end(); ++it) {
        EXPECT_TRUE(it->is_wait() || it->is(has_loaded)) << standin::format_call(*it);
    }
}

TEST_F(ParticlesTest, OneShotEffectWithAnUnloadableDictionaryIsSkippedSilently) {
    world().set_dictionary("core", standin::DictionaryLoad::never);
    testing::internal::CaptureStdout();
    run([&] { play_entity_effect(crack_flash_effect(), object_); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(host().wait_count(), 301u);
    EXPECT_TRUE(world().effects.empty());
    EXPECT_TRUE(host().calls_of(0xA10DB07FC234DD12).empty());
}

TEST_F(ParticlesTest, RequestCarriesTheDictionaryHashAndTheEffectStartsWhenItLoads) {
    world().set_dictionary("core", standin::DictionaryLoad::after_request, 5);
    const int frames = run([&] { play_entity_effect(explosion_smoke_effect(), object_); });
    EXPECT_EQ(frames, 6);
    EXPECT_EQ(host().wait_count(), 5u);
    const auto requests = host().calls_of(request);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]->frame, 1);
    EXPECT_EQ(requests[0]->args.at(0).kind, 'h');
    EXPECT_EQ(static_cast<GameHash>(requests[0]->int_arg(0)), standin::joaat("core"));
    ASSERT_EQ(world().effects.size(), 1u);
    EXPECT_EQ(world().effects[0].frame, 6);
    EXPECT_EQ(world().effects[0].name, "exp_grd_smoke_post_volatile");
    EXPECT_EQ(world().effects[0].scale, 0.3f);
    // Frame 1: hash, test, request, test, wait. Frame 6: test (loaded), final test, select, start.
    EXPECT_THAT(test::ScriptBodyTest::lines_in(6),
                ElementsAre("6 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + hash_of("core") + ") -> 1",
                            "6 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + hash_of("core") + ") -> 1",
                            "6 GRAPHICS::USE_PARTICLE_FX_ASSET(\"core\")",
                            testing::StartsWith("6 GRAPHICS::START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY(")));
}

TEST_F(ParticlesTest, EveryCallLoadsAnewAndAnAlreadyRequestedDictionaryIsNotRequestedAgain) {
    world().set_dictionary("scr_generic", standin::DictionaryLoad::after_request, 2);
    run([&] {
        start_heat_smoke(object_);
        stop_heat_smoke();
        start_heat_smoke(object_);
    });
    EXPECT_EQ(host().calls_of(request).size(), 1u);
    EXPECT_EQ(host().calls_of(0xFD340785ADF8CFB7).size(), 2u);
    EXPECT_EQ(world().effects.size(), 2u);
}

TEST_F(ParticlesTest, HeatSmokeStartsLoopedOnTheWeaponAndKeepsTheHandle) {
    world().set_dictionary("scr_generic", standin::DictionaryLoad::loaded);
    run([&] { start_heat_smoke(object_); });
    const std::string h = hash_of("scr_generic");
    EXPECT_THAT(lines(), ElementsAre("1 MISC::GET_HASH_KEY(\"scr_generic\") -> " + h,
                                     "1 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
                                     "1 STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
                                     "1 GRAPHICS::USE_PARTICLE_FX_ASSET(\"scr_generic\")",
                                     "1 GRAPHICS::START_NETWORKED_PARTICLE_FX_LOOPED_ON_ENTITY(\"env_smoke\", " +
                                         std::to_string(object_) + ", 0, 0, 0, -90, 0, 0, " +
                                         float_text(0.01f) + ", 0, 0, 0) -> 1"));
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 1);

    // A second start replaces the handle; the first smoke goes on.
    run([&] { start_heat_smoke(object_); });
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 2);
    EXPECT_TRUE(world().removed_effects.empty());
    EXPECT_TRUE(host().calls_of(0x459598F579C98929).empty());
}

TEST_F(ParticlesTest, HeatSmokeTakesItsTextsAndScaleFromTheSettings) {
    load("[VFX_Effects]\nfx_heat_smoke_dir=my_dict\nfx_heat_smoke=my_smoke\nfx_heat_smoke_scale=0.5\n");
    run([&] { start_heat_smoke(object_); });
    ASSERT_EQ(world().effects.size(), 1u);
    EXPECT_EQ(world().effects[0].dictionary, "my_dict");
    EXPECT_EQ(world().effects[0].name, "my_smoke");
    EXPECT_EQ(world().effects[0].scale, 0.5f);
    EXPECT_TRUE(world().effects[0].looped);
}

TEST_F(ParticlesTest, HeatSmokeWhoseDictionaryNeverLoadsPrintsOnceAndKeepsTheHandle) {
    world().set_dictionary("scr_generic", standin::DictionaryLoad::never);
    heat_smoke.heat_smoke_handle = 7;
    testing::internal::CaptureStdout();
    run([&] { start_heat_smoke(object_); });
    const std::string once = testing::internal::GetCapturedStdout();
    EXPECT_EQ(once, "Can't load ptfx dictionary!\n");
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 7);
    EXPECT_EQ(host().wait_count(), 301u);
    EXPECT_TRUE(world().effects.empty());

    testing::internal::CaptureStdout();
    run([&] {
        start_heat_smoke(object_);
        start_heat_smoke(object_);
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Can't load ptfx dictionary!\nCan't load ptfx dictionary!\n");
    EXPECT_EQ(host().wait_count(), 301u * 3u);
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 7);
}

TEST_F(ParticlesTest, StopWithoutAHandleCallsNothing) {
    run([&] { stop_heat_smoke(); });
    EXPECT_THAT(lines(), IsEmpty());
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 0);
}

TEST_F(ParticlesTest, StopRemovesARunningSmokeAndClearsTheHandle) {
    run([&] {
        start_heat_smoke(object_);
        host().clear_log();
        stop_heat_smoke();
    });
    EXPECT_THAT(calls(), ElementsAre("GRAPHICS::DOES_PARTICLE_FX_LOOPED_EXIST(1) -> 1",
                                     "GRAPHICS::REMOVE_PARTICLE_FX(1, 0)"));
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 0);
    EXPECT_TRUE(world().looped_effects.at(1).removed);
}

TEST_F(ParticlesTest, StopAfterTheGameEndedTheSmokeOnlyClearsTheHandle) {
    world().looped_effect_lifetime = 2;
    run([&] {
        start_heat_smoke(object_);
        scriptWait(0);
        scriptWait(0);
        host().clear_log();
        stop_heat_smoke();
    });
    EXPECT_THAT(calls(), ElementsAre("GRAPHICS::DOES_PARTICLE_FX_LOOPED_EXIST(1) -> 0"));
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 0);
}

TEST_F(ParticlesTest, EffectsOffMakesTheStartsReturnWithoutAnyCall) {
    load("[VFX_Effects]\nenable_vfx=0\n");
    ASSERT_FALSE(settings.enable_vfx);
    world().set_dictionary("scr_generic", standin::DictionaryLoad::never);
    heat_smoke.heat_smoke_handle = 5;
    testing::internal::CaptureStdout();
    const int frames = run([&] {
        play_entity_effect(explosion_flash_effect(), object_);
        start_heat_smoke(object_);
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(frames, 1);
    EXPECT_THAT(lines(), IsEmpty());
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 5);
}

TEST_F(ParticlesTest, EffectsOffStillStopsASmokeStartedBefore) {
    run([&] { start_heat_smoke(object_); });
    ASSERT_EQ(heat_smoke.heat_smoke_handle, 1);
    load("[VFX_Effects]\nenable_vfx=0\n");
    host().clear_log();
    run([&] { stop_heat_smoke(); });
    EXPECT_THAT(calls(), ElementsAre("GRAPHICS::DOES_PARTICLE_FX_LOOPED_EXIST(1) -> 1",
                                     "GRAPHICS::REMOVE_PARTICLE_FX(1, 0)"));
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 0);
}

}  // namespace
