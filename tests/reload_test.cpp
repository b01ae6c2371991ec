// Live tuning: with reload_when_changed on, Barrelburst.ini is looked at once
// every 60 passes and read again once a change has held still for one look.

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_reload.h"
#include "effects/particles.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "recoil/recoil.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string watched = "[Main]\nreload_when_changed=1\nmaximum_chance_for_explosion=0.25\n";

class ReloadTest : public test::PluginTest {
protected:
    fs::path file() const { return scratch_.path() / "Barrelburst.ini"; }
    // Saves the file as an editor does: new bytes, and a last-write time of its own.
    void save(const std::string& content) {
        ini(content);
        fs::last_write_time(file(), fs::last_write_time(file()) + std::chrono::seconds(++saves_));
    }
    // The pass's natives without their frame numbers, to compare passes.
    std::vector<std::string> natives_of(int frame) const {
        std::vector<std::string> lines;
        for (const std::string& line : lines_in(frame)) lines.push_back(line.substr(line.find(' ')));
        return lines;
    }
    bool banner_drawn(int frame, const std::string& text) const {
        for (const std::string& line : lines_in(frame)) {
            if (line.find("HUD::_DISPLAY_TEXT(") != std::string::npos &&
                line.find("~s~" + text + "</FONT>") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    int saves_ = 0;
};

TEST_F(ReloadTest, ASavedChangeIsReadAtTheSecondLookAfterItWithItsBanner) {
    ini(watched);
    start();
    run_frames(70);
    EXPECT_EQ(settings_reload.settings_file_checks, 2);  // at the start and at pass 60
    save("[Main]\nreload_when_changed=1\nmaximum_chance_for_explosion=0.5\n");

    // Pass 120 sees the change for the first time: it may still be being written.
    run_frames(109);
    EXPECT_EQ(settings_reload.settings_file_checks, 3);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.25f);
    EXPECT_EQ(settings_reload.settings_loads, 1);
    // A look is no game native and no wait: pass 120 made the same calls as pass 119.
    EXPECT_EQ(natives_of(120), natives_of(119));

    // Pass 180 finds it unchanged since: read, in play, and said so.
    run_frames(1);
    EXPECT_EQ(settings_reload.settings_loads, 2);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.5f);
    EXPECT_TRUE(banner_drawn(180, "Barrelburst.ini reloaded"));
    EXPECT_EQ(on_screen.notification_frames_left, 499);
    EXPECT_EQ(std::string(on_screen.notification_text), "Barrelburst.ini reloaded");
    EXPECT_EQ(settings_reload.settings_file_checks, 4);
}

TEST_F(ReloadTest, AReloadWithTheBannerOffShowsNothing) {
    ini(watched);
    start();
    run_frames(10);
    save("[Main]\nreload_when_changed=1\nenable_native_UI=0\n");
    run_frames(110);
    EXPECT_EQ(settings_reload.settings_loads, 2);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_EQ(on_screen.notification_frames_left, 0);
    EXPECT_FALSE(banner_drawn(120, "Barrelburst.ini reloaded"));
}

TEST_F(ReloadTest, AMissingFileKeepsTheSettingsAndItsReturnCountsAsAChange) {
    ini(watched);
    start();
    const fs::file_time_type written = fs::last_write_time(file());
    run_frames(10);
    fs::remove(file());
    run_frames(110);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.25f);
    EXPECT_TRUE(settings.reload_when_changed);
    EXPECT_EQ(settings_reload.settings_loads, 1);

    // Back as it was, to the byte and the last-write time: read all the same,
    // once it has held still for one look.
    ini(watched);
    fs::last_write_time(file(), written);
    run_frames(60);
    EXPECT_EQ(settings_reload.settings_loads, 1);
    run_frames(60);
    EXPECT_EQ(settings_reload.settings_loads, 2);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.25f);
}

TEST_F(ReloadTest, AReloadThatTurnsTheSwitchOffEndsTheLooks) {
    ini(watched);
    start();
    run_frames(10);
    save("[Main]\nreload_when_changed=0\nmaximum_chance_for_explosion=0.5\n");
    run_frames(110);
    EXPECT_EQ(settings_reload.settings_loads, 2);
    EXPECT_EQ(settings_reload.settings_file_checks, 3);
    save(watched);
    run_frames(600);
    EXPECT_EQ(settings_reload.settings_file_checks, 3);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.5f);
}

TEST_F(ReloadTest, TheSwitchOffLooksAtNothingAfterTheFirstLoad) {
    ini("[Main]\nmaximum_chance_for_explosion=0.25\n");
    start();
    run_frames(10);
    save("[Main]\nreload_when_changed=1\nmaximum_chance_for_explosion=0.5\n");
    run_frames(600);
    EXPECT_EQ(settings_reload.settings_file_checks, 0);
    EXPECT_EQ(settings_reload.settings_loads, 1);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.25f);
}

TEST_F(ReloadTest, TheBaseListIsReplacedAndHeatKickOverlayAndSmokeAreKept) {
    ini("[Main]\nreload_when_changed=1\ndebug_mode=1\n[Base_Degradation]\nREL_A=0.1,0.2\n");
    start();
    run_frames(10);
    save("[Main]\nreload_when_changed=1\ndebug_mode=1\n[Base_Degradation]\nREL_B=0.3,0.4\n");
    run_frames(109);

    // What play has built up just before the reload of pass 120.
    barrel.barrel_heat = 0.7f;
    barrel.heat_smoke_on = true;
    heat_smoke.heat_smoke_handle = 5;
    on_screen.debug_overlay_frames_left = 30;
    camera_kick.kick_amount = 0.9f;
    camera_kick.kick_weapon_class = "rifle";
    run_frames(1);

    EXPECT_EQ(settings_reload.settings_loads, 2);
    ASSERT_EQ(settings.base_degradation.size(), 1u);
    EXPECT_EQ(settings.base_degradation[0].weapon_name, "REL_B");
    EXPECT_EQ(settings.base_degradation[0].low, 0.3f);
    EXPECT_EQ(barrel.barrel_heat, 0.7f);
    EXPECT_TRUE(barrel.heat_smoke_on);
    EXPECT_EQ(heat_smoke.heat_smoke_handle, 5);
    EXPECT_EQ(on_screen.debug_overlay_frames_left, 29);
    // The pass's kick step went on from the kick as it was: + 0.02, then - 0.05.
    EXPECT_FLOAT_EQ(camera_kick.kick_amount, 0.9f + 0.02f - 0.05f);
}

}  // namespace
