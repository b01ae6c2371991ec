// The frame loop around an effect whose asset is still loading: the whole
// loop stands still inside the shot, and resumes with its state unchanged.

#include <gmock/gmock.h>

#include "host/on_screen.h"
#include "model/barrel.h"
#include "recoil/recoil.h"
#include "support/model_world.h"
#include "support/test_support.h"

namespace {

constexpr std::uint64_t draw_sprite = 0xC9884ECADE94CB34;
constexpr std::uint64_t has_ptfx_loaded = 0x65BB72F29138F5D6;
constexpr std::uint64_t set_cam_pitch = 0xFB760AF4F537B8BF;
constexpr std::uint64_t add_explosion = 0x7D6F58F69DA92530;

class FrameLoopTest : public test::PluginTest {
protected:
    // The player's rifle cracks on every shot (chances far above 1) and the
    // crack's dictionary loads or not as the test says.
    void SetUp() override {
        test::PluginTest::SetUp();
        ini("[Main]\nmaximum_chance_for_explosion=100\n"
            "[Recoil]\nrifle_recoil=1.0,1.0\n"
            "[Player]\nenable_ragdoll=0\nfiring_increases_dirt=0\n"
            "[Min_Dirt_To_Explode]\nrifle_min_dirt=0.3\n"
            "[Min_Degradation_To_Explode]\nrifle_min_degradation=0.3\n"
            "[Expo_Chance]\nrifle_expo_chance_mod=100\n");
        start();
        test::define_test_weapons(world());
        test::arm_with(world(), world().player_ped, test::rifle_sniper_weapon, 0.6f, 0.55f);
    }

    int count_in(int first, int last, std::uint64_t hash) const {
        int n = 0;
        for (const standin::Call& c : standin::Host::get().log()) {
            if (c.frame >= first && c.frame <= last && c.is(hash)) ++n;
        }
        return n;
    }
};

TEST_F(FrameLoopTest, WhileAnAssetLoadsNoBannerIsDrawnAndNoKickApplied) {
    // Frame 1: a crack with a loaded dictionary starts the banner and a kick.
    world().on_frame = [](standin::World& w, int frame) {
        w.ped(w.player_ped).shooting = frame == 1 || frame == 3;
        if (frame == 2) w.set_dictionary("core", standin::DictionaryLoad::never);
    };
    run_frames(2);
    ASSERT_EQ(count_in(1, 2, draw_sprite), 2);
    ASSERT_EQ(count_in(1, 2, set_cam_pitch), 2);
    const int banner_left = on_screen.notification_frames_left;
    const float kick_left = camera_kick.kick_amount;

    // Frame 3: the second crack waits 301 frames for the flash (its first wait
    // ends frame 3), then 301 for the smoke (the first ends frame 304). Frames
    // 4 to 604 are spent inside the shot, one wait each; frame 605 finishes it.
    run_frames(603);
    for (int frame = 4; frame <= 604; ++frame) {
        const auto calls = host().calls_in_frame(frame);
        ASSERT_EQ(host().waits_in_frame(frame), 1) << "frame " << frame;
        for (const standin::Call* c : calls) {
            ASSERT_TRUE(c->is(has_ptfx_loaded) || c->is(0xFD340785ADF8CFB7) || c->is(0xF2B2353BBC0D4E8F) ||
                        c->is_wait())
                << "frame " << frame << ": " << standin::format_call(*c);
        }
    }
    EXPECT_EQ(count_in(4, 604, draw_sprite), 0);
    EXPECT_EQ(count_in(4, 604, set_cam_pitch), 0);
    EXPECT_EQ(host().waits_in_frame(3), 1);
    EXPECT_EQ(host().waits_in_frame(605), 1);
    // The explosion is made after both waits, in the frame the shot resumes in.
    EXPECT_EQ(count_in(3, 604, add_explosion), 0);
    EXPECT_EQ(count_in(605, 605, add_explosion), 1);
    // There the banner restarts and the new shot's kick is applied, in that
    // same pass.
    EXPECT_EQ(count_in(605, 605, draw_sprite), 1);
    EXPECT_EQ(count_in(605, 605, set_cam_pitch), 1);
    EXPECT_EQ(on_screen.notification_frames_left, 499);
    EXPECT_EQ(banner_left, 498);
    EXPECT_GT(kick_left, 0.0f);
}

}  // namespace
