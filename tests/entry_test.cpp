// The library entry and the frame loop, through the stand-in host.

#include <gmock/gmock.h>

#include "config/settings.h"
#include "host/frame_loop.h"
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
