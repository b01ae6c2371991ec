// The notification banner and the debug overlay through whole frames.

#include <gmock/gmock.h>

#include <cstdio>

#include "common/rng.h"
#include "host/on_screen.h"
#include "support/model_world.h"
#include "support/test_support.h"

namespace {

std::string g9(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

constexpr std::uint64_t texture_loaded_native = 0x54D6900929CCF162;
constexpr std::uint64_t texture_request_native = 0xC1BA29DF5631B0F8;
constexpr std::uint64_t draw_sprite_native = 0xC9884ECADE94CB34;
constexpr std::uint64_t text_scale_native = 0x4170B650590B3B00;
constexpr std::uint64_t text_centre_native = 0xBE5261939FBECB8C;
constexpr std::uint64_t text_shadow_native = 0x1BE39DBAA7263CA5;
constexpr std::uint64_t var_string_native = 0xFA925AC00EB830B9;
constexpr std::uint64_t display_text_native = 0xD79334A4BB99BAD1;

const std::vector<std::uint64_t> screen_natives = {texture_loaded_native, texture_request_native, draw_sprite_native,
                                                   text_scale_native,     text_centre_native,     text_shadow_native,
                                                   var_string_native,     display_text_native};

const std::string exploded_markup =
    "<TEXTFORMAT RIGHTMARGIN='0'><P ALIGN='center'><FONT FACE='$body' LETTERSPACING='0' SIZE='21'>"
    "~s~Your Gun Exploded!</FONT></P></TEXTFORMAT>";

class OnScreenTest : public test::PluginTest {
protected:
    // A player shot that explodes in frame 1: a worn, dirty pistol whose crack
    // limit (2 x 0.4) lies below its degradation, and a low roll.
    void start_exploding_player(const std::string& main_section) {
        ini("[Main]\n" + main_section + "\n[NPC]\nenable_explosion=0\n"
            "[Min_Degradation_To_Explode]\npistol_min_degradation=0.4\n");
        start();
        test::define_test_weapons(world());
        test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.9f, 0.9f);
        world().ped(world().player_ped).shooting = true;
        mod_rng.seed(test::seed_where(3, [](const std::vector<float>& u) { return u[2] < 0.1f; }));
        world().on_frame = [](standin::World& w, int frame) {
            if (frame > 1) w.ped(w.player_ped).shooting = false;
        };
    }
    int frames_with(std::uint64_t hash, int first, int last) {
        int frames = 0;
        for (int f = first; f <= last; ++f) {
            bool seen = false;
            for (const standin::Call* c : host().calls_in_frame(f)) seen = seen || c->is(hash);
            frames += seen ? 1 : 0;
        }
        return frames;
    }
};

TEST_F(OnScreenTest, TheBannerOfAnExplosionIsRequestedAndDrawnInTheFrameOfTheShot) {
    start_exploding_player("enable_native_UI=1");
    run_frames(1);
    ASSERT_STREQ(on_screen.notification_text, "Your Gun Exploded!");
    ASSERT_EQ(exploded_markup.size(), 138u);
    EXPECT_THAT(test::lines_of(host(), 1, screen_natives),
                ::testing::ElementsAre(
                    "1 TXD::HAS_STREAMED_TEXTURE_DICT_LOADED(\"generic_textures\") -> 0",
                    "1 TXD::REQUEST_STREAMED_TEXTURE_DICT(\"generic_textures\", 1)",
                    "1 GRAPHICS::DRAW_SPRITE(\"generic_textures\", \"selection_box_bg_1c\", " + g9(0.14f) + ", " +
                        g9(0.2f) + ", " + g9(0.22f) + ", " + g9(0.05f) + ", 0, 0, 0, 0, 200, 1)",
                    "1 HUD::SET_TEXT_SCALE(" + g9(0.49f) + ", " + g9(0.49f) + ")", "1 HUD::SET_TEXT_CENTRE(1)",
                    "1 HUD::SET_TEXT_DROPSHADOW(1, 0, 155, 155, 155)",
                    "1 MISC::VAR_STRING(10, \"LITERAL_STRING\", \"" + exploded_markup + "\") -> \"" +
                        exploded_markup + "\"",
                    "1 HUD::_DISPLAY_TEXT(\"" + exploded_markup + "\", " + g9(0.14f) + ", 0.1875)"));
    ASSERT_EQ(world().texts.size(), 1u);
    EXPECT_TRUE(world().texts[0].centred);
}

TEST_F(OnScreenTest, ABannerIsDrawnOnExactly500Passes) {
    start_exploding_player("enable_native_UI=1");
    run_frames(501);
    EXPECT_EQ(frames_with(draw_sprite_native, 1, 501), 500);
    EXPECT_EQ(frames_with(draw_sprite_native, 500, 500), 1);
    EXPECT_EQ(frames_with(draw_sprite_native, 501, 501), 0);
    EXPECT_EQ(host().calls_of(display_text_native).size(), 500u);
    EXPECT_EQ(on_screen.notification_frames_left, 0);
    // Drawn whether or not the dictionary had loaded; requested once.
    EXPECT_EQ(host().calls_of(texture_request_native).size(), 1u);
}

TEST_F(OnScreenTest, NativeUiOffRequestsAndDrawsNothing) {
    start_exploding_player("enable_native_UI=0");
    run_frames(3);
    ASSERT_FALSE(host().calls_of(0x0D78E1097F89E637).empty());  // the shot was evaluated
    for (std::uint64_t hash : screen_natives) EXPECT_TRUE(host().calls_of(hash).empty()) << std::hex << hash;
    EXPECT_STREQ(on_screen.notification_text, "");
    EXPECT_EQ(on_screen.notification_frames_left, 0);
}

TEST_F(OnScreenTest, TheOverlayIsDrawnOn120PassesOnlyInDebugMode) {
    for (const bool debug : {true, false}) {
        SCOPED_TRACE(debug);
        reset_plugin_state();
        session_.reset();
        ini(std::string("[Main]\ndebug_mode=") + (debug ? "1" : "0") + "\n[Player]\nenable_explosion=0\n");
        start();
        test::define_test_weapons(world());
        const std::int32_t npc = world().add_armed_ped(test::pistol_weapon);
        world().ped(npc).shooting = true;
        world().on_frame = [npc](standin::World& w, int frame) {
            if (frame > 1) w.ped(npc).shooting = false;
        };
        // A roll above the crack floor: nothing but the overlay.
        mod_rng.seed(test::seed_where(2, [](const std::vector<float>& u) { return u[1] > 0.01f; }));
        run_frames(121);
        EXPECT_EQ(frames_with(display_text_native, 1, 121), debug ? 120 : 0);
        EXPECT_EQ(frames_with(display_text_native, 120, 120), debug ? 1 : 0);
        EXPECT_EQ(frames_with(display_text_native, 121, 121), 0);
        EXPECT_EQ(on_screen.debug_overlay_frames_left, 0);
        if (debug) {
            EXPECT_THAT(test::lines_of(host(), 120, screen_natives),
                        ::testing::ElementsAre("120 HUD::SET_TEXT_SCALE(" + g9(0.35f) + ", " + g9(0.35f) + ")",
                                               "120 HUD::SET_TEXT_CENTRE(0)", "120 HUD::SET_TEXT_DROPSHADOW(0, 0, 0, 0, 0)",
                                               ::testing::StartsWith("120 MISC::VAR_STRING(10, \"LITERAL_STRING\", \"[pistol] Roll: "),
                                               ::testing::EndsWith(", " + g9(0.01f) + ", 0.5)")));
        } else {
            EXPECT_STREQ(on_screen.debug_overlay_text, "");
        }
    }
}

}  // namespace
