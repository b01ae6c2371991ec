// The library entry and the frame loop, through the stand-in host.

#include <gmock/gmock.h>

#include "config/settings.h"
#include "host/frame_loop.h"
#include "host/natives.h"
#include "support/test_support.h"

using ::testing::ElementsAre;

namespace {

class EntryTest : public test::PluginTest {};

TEST_F(EntryTest, AttachRegistersTheScriptWithTheModuleAndNothingElse) {
    start();
    EXPECT_EQ(host().registrations(), 1);
    EXPECT_EQ(host().registered_module(), standin::plugin_module());
    EXPECT_EQ(host().registered_script(), &script_main);
    EXPECT_FALSE(host().script_started());
    EXPECT_EQ(host().native_count(), 0u);
    EXPECT_EQ(host().wait_count(), 0u);
}

TEST_F(EntryTest, ThreadAttachAndDetachDoNothingAndReturnTrue) {
    start();
    EXPECT_EQ(DllMain(standin::plugin_module(), DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(DllMain(standin::plugin_module(), DLL_THREAD_DETACH, nullptr), TRUE);
    EXPECT_EQ(host().registrations(), 1);
    EXPECT_EQ(host().unregistrations(), 0);
    EXPECT_EQ(host().log().size(), 1u);
}

TEST_F(EntryTest, DetachWithoutARunUnregistersAll) {
    start();
    session_->detach();
    EXPECT_EQ(host().unregistrations(), 1);
    EXPECT_FALSE(host().script_registered());
    EXPECT_THAT(lines_from(0), ElementsAre("0 scriptRegister(6442450944)", "0 scriptUnregister(6442450944)"));
}

TEST_F(EntryTest, DetachReleasesTheTwoEffectNamesThenUnregisters) {
    start();
    run_frames(1);
    ASSERT_EQ(settings.fx_expo, "exp_air_dynamite_volatile");
    session_->detach();
    EXPECT_TRUE(settings.fx_expo.empty());
    EXPECT_TRUE(settings.fx_crack.empty());
    EXPECT_EQ(settings.fx_crack_smoke, "exp_grd_smoke_post");
    EXPECT_EQ(host().unregistrations(), 1);
}

TEST_F(EntryTest, EveryPassEndsWithExactlyOneWait) {
    start();
    run_frames(5);
    for (int frame = 1; frame <= 5; ++frame) {
        EXPECT_EQ(host().waits_in_frame(frame), 1) << "frame " << frame;
        EXPECT_TRUE(host().log().back().is_wait());
    }
    EXPECT_EQ(host().wait_count(), 5u);
}

TEST_F(EntryTest, SettingsAreReadOnceBeforeTheFirstScan) {
    ini("[Main]\ndebug_mode=1\n");
    start();
    run_frames(1);
    EXPECT_TRUE(settings.debug_mode);
    // A changed file is not read again while the script runs.
    scratch_.write("Barrelburst.ini", "[Main]\ndebug_mode=0\n");
    run_frames(3);
    EXPECT_TRUE(settings.debug_mode);
}

}  // namespace

namespace {

TEST(StandinHost, ScriptBodyRunsOnTheFiberOneFramePerWait) {
    standin::Host& host = standin::Host::get();
    host.reset();
    int reached = 0;
    const int frames = host.run_script_body([&] {
        for (reached = 0; reached < 3; ++reached) scriptWait(0);
    });
    EXPECT_EQ(reached, 3);
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(host.wait_count(), 3u);
    EXPECT_TRUE(host.errors().empty());
}

TEST(StandinHost, UnknownHashAndWrongArgumentCountAreErrors) {
    standin::Host& host = standin::Host::get();
    host.reset();
    host.run_script_body([] {
        native_invoke::invoke(0x1234);
        native_invoke::invoke<bool>(0x34616828CD07F1A1, 1, 2);
    });
    ASSERT_EQ(host.errors().size(), 2u);
    EXPECT_NE(host.errors()[0].find("unknown native 0x0000000000001234"), std::string::npos);
    EXPECT_NE(host.errors()[1].find("PED::IS_PED_SHOOTING: 2 arguments, declared 1"), std::string::npos);
    host.reset();
}

TEST(StandinHost, NativesOffTheFiberAreErrors) {
    standin::Host& host = standin::Host::get();
    host.reset();
    (void)PLAYER::PLAYER_PED_ID();
    EXPECT_EQ(host.errors().size(), 1u);
    host.reset();
}

}  // namespace
