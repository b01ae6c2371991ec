// The settings menu: the menu key opens it, its keys drive it by its layout,
// an edit is in force at the next shot, Save writes only the edited line, and
// a closed menu leaves the pass as it always was.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_text.h"
#include "config/settings_reload.h"
#include "host/on_screen.h"
#include "menu/menu.h"
#include "menu/menu_draw.h"
#include "model/shot_eval.h"
#include "model/shot_log.h"
#include "support/model_world.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr int f7 = 0x76;
constexpr int up = 0x26;
constexpr int down = 0x28;
constexpr int right = 0x27;
constexpr int enter = 0x0D;
constexpr int backspace = 0x08;

constexpr std::uint64_t disable_control_native = 0xFE99B66D079CF6BC;
constexpr std::uint64_t pause_menu_native = 0x535384D6067BA42E;

const std::vector<std::string> top_rows = {
    "Main", "VFX_Effects", "Recoil", "RecoilModifiers", "Heat", "Player", "NPC", "Dirt_Increase",
    "Min_Dirt_To_Explode", "Min_Degradation_To_Explode", "Expo_Chance", "Expo_Type", "Base_Degradation",
    "Save to Barrelburst.ini", "Undo changes", "Close"};

class MenuTest : public test::PluginTest {
protected:
    // The player holds a dirty, worn rifle (or one in the condition given)
    // and fires when told.
    void start_armed(const std::string& ini_text, float dirt = 0.8f, float degradation = 0.9f) {
        ini(ini_text);
        start();
        test::define_test_weapons(world());
        test::arm_with(world(), world().player_ped, test::rifle_sniper_weapon, dirt, degradation);
        run_frames(1);
    }
    // Holds the key down for the frames, then lets it go for one frame.
    void tap(int key, int frames = 1) {
        world().presses.push_back({host().frame() + 1, frames, key, 0});
        run_frames(frames + 1);
    }
    void tap_times(int key, int times) {
        for (int i = 0; i < times; ++i) tap(key);
    }
    // From the top page with Main selected: the cap one step up, back, and Save.
    void raise_the_cap_and_save() {
        tap(enter);
        tap(right);
        tap(backspace);
        tap_times(down, 13);  // Save
        tap(enter);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const standin::DrawnText& text : standin::Host::get().world().texts) out.emplace_back(text.text);
        return out;
    }
    // The rows the page shows: the texts at the name column.
    std::vector<std::string> row_names() const {
        std::vector<std::string> out;
        for (const standin::DrawnText& text : standin::Host::get().world().texts) {
            if (text.x == 0.545f && text.scale_y == 0.3f) out.emplace_back(text.text);
        }
        return out;
    }
    // The value drawn beside the row of this name.
    std::string value_beside(const std::string& name) const {
        const auto& drawn = standin::Host::get().world().texts;
        for (std::size_t i = 0; i + 1 < drawn.size(); ++i) {
            if (name == drawn[i].text && drawn[i + 1].x == 0.79f) return drawn[i + 1].text;
        }
        return "";
    }
    // The player's rifle and an NPC's revolver, clean and too worn to
    // crack: no shot fails. Returns the NPC.
    std::int32_t start_with_clean_guns() {
        start_armed("[Main]\n", 0.0f, 0.995f);
        const std::int32_t npc = world().add_armed_ped(test::revolver_weapon);
        world().weapon_of(npc).degradation = 0.995f;
        world().on_frame = [npc](standin::World& w, int) {
            w.weapon_of(w.player_ped).dirt = 0.0f;
            w.weapon_of(npc).dirt = 0.0f;
        };
        return npc;
    }
    std::string file_text() const {
        std::ifstream in(scratch_.path() / "Barrelburst.ini", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(MenuTest, AClosedMenuOnlyLooksAtItsKeyAndAnEmptyKeyAtNothing) {
    start_armed("[Main]\n");
    run_frames(20);
    EXPECT_EQ(world().key_state_queries, 21u);
    EXPECT_EQ(world().window_queries, 21u);
    EXPECT_TRUE(host().calls_of(pause_menu_native).empty());
    EXPECT_TRUE(host().calls_of(disable_control_native).empty());
}

TEST_F(MenuTest, AnEmptyMenuKeyLooksAtNothing) {
    start_armed("[Main]\nmenu_key=\n");
    world().keys_down[f7] = true;
    run_frames(20);
    EXPECT_EQ(world().key_state_queries, 0u);
    EXPECT_EQ(world().window_queries, 0u);
    EXPECT_FALSE(menu.open);
}

TEST_F(MenuTest, TheOpeningPassDisablesTheControlsAndDrawsTheTopPage) {
    start_armed("[Main]\nmenu_key=f7\n");
    world().presses.push_back({host().frame() + 1, 1, f7, 0});
    run_frames(1);
    ASSERT_TRUE(menu.open);
    const int frame = host().frame();
    std::vector<std::string> disabled;
    for (const standin::Call* call : host().calls_of(disable_control_native)) {
        if (call->frame == frame) disabled.push_back(standin::format_call(*call));
    }
    const std::string f = std::to_string(frame) + " PAD::DISABLE_CONTROL_ACTION(";
    std::vector<std::string> expected = {f + "0, 0x07CE1E61, 1)", f + "0, 0xF84FA74F, 1)"};
    for (const char* group : {"0", "2"}) {
        for (const char* action : {"0x6319DB71", "0x05CA7C52", "0xA65EBAB4", "0xDEB34313", "0xC7B5340A", "0x156F7119"}) {
            expected.push_back(f + group + ", " + action + ", 1)");
        }
    }
    EXPECT_THAT(disabled, ElementsAreArray(expected));
    // The panel on the right half, then the selected first row.
    ASSERT_GE(world().sprites.size(), 2u);
    EXPECT_FLOAT_EQ(world().sprites[0].x, 0.75f);
    EXPECT_FLOAT_EQ(world().sprites[0].width, 0.44f);
    EXPECT_GE(world().sprites[0].x - world().sprites[0].width / 2, 0.5f);
    EXPECT_FLOAT_EQ(world().sprites[1].y, 0.135f);
    EXPECT_EQ(texts().front(), "Barrelburst");
    EXPECT_THAT(row_names(), ElementsAreArray(top_rows));
    EXPECT_THAT(texts(), ::testing::Contains(HasSubstr("Your gun: rifle")));
}

TEST_F(MenuTest, TheKeysMoveByTheLayoutAndBackspaceReturnsToTheRowItCameFrom) {
    start_armed("[Main]\n");
    tap(f7);
    tap(up);  // wraps to Close
    EXPECT_EQ(menu.levels[0].selected, 15);
    tap(down);
    tap(down);
    tap(down);  // Recoil
    tap(enter);
    EXPECT_EQ(texts().front(), "Recoil");
    EXPECT_THAT(row_names(), ElementsAre("enable_recoil", "pistol_recoil", "revolver_recoil", "rifle_recoil",
                                         "sniper_recoil", "shotgun_recoil"));
    tap(down);
    tap(enter);  // pistol_recoil's list
    EXPECT_THAT(row_names(), ElementsAre("low", "high"));
    tap(backspace);
    EXPECT_EQ(menu.levels[1].selected, 1);
    tap(backspace);
    EXPECT_EQ(menu.depth, 0);
    EXPECT_EQ(menu.levels[0].selected, 2);
    tap(enter);
    tap(f7);  // closes from a section page
    EXPECT_FALSE(menu.open);
}

TEST_F(MenuTest, AStepIsInForceAtTheNextShotAndMarkedAsDifferingFromTheFile) {
    start_armed("[Main]\nmaximum_chance_for_explosion=0.36\n");
    tap(f7);
    tap(enter);  // Main, its first row: the cap
    tap(right);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.37f);
    EXPECT_EQ(value_beside("maximum_chance_for_explosion"), "0.37 *");
    world().ped(world().player_ped).shooting = true;
    run_frames(1);
    const ShotRecord& shot = shot_record_at(shot_records.written - 1);
    // Dirt 0.8 over the rifle's 0.5 is 0.6 of the way: capped at the edited 0.37.
    EXPECT_FLOAT_EQ(shot.chances.dirt_term, 0.37f * 0.33f);
    EXPECT_EQ(file_text(), "[Main]\nmaximum_chance_for_explosion=0.36\n");
}

TEST_F(MenuTest, HoldingRightRepeatsAfterTheDelay) {
    start_armed("[Main]\n");
    tap(f7);
    tap(enter);
    // 0.4 s, then every 0.08 s, at 60 frames a second: 1 + 2 steps in 33 frames.
    tap(right, 33);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.39f);
}

TEST_F(MenuTest, SaveChangesOnlyTheEditedLineAndUndoGoesBackToTheFile) {
    const std::string original =
        "; my tuning\r\n[main]\r\nMaximum_Chance_For_Explosion = 0.5\r\nmy_own_key=x\r\n\r\n[NPC]\r\nenable_ragdoll=1\r\n";
    start_armed(original);
    tap(f7);
    raise_the_cap_and_save();
    EXPECT_EQ(file_text(), "; my tuning\r\n[main]\r\nMaximum_Chance_For_Explosion = 0.51\r\nmy_own_key=x\r\n\r\n"
                           "[NPC]\r\nenable_ragdoll=1\r\n");
    EXPECT_FALSE(fs::exists(scratch_.path() / settings_save_file_name));
    EXPECT_THAT(texts(), ::testing::Contains("Saved to Barrelburst.ini."));

    tap_times(up, 13);  // from Save up to Main
    tap(enter);
    tap(right);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.52f);
    tap(backspace);
    tap_times(down, 14);  // Undo
    tap(enter);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.51f);
    EXPECT_FALSE(settings_edited());
}

TEST_F(MenuTest, WithLiveTuningTheMenusOwnSaveIsNotReadAgain) {
    start_armed("[Main]\nreload_when_changed=1\n");
    tap(f7);
    raise_the_cap_and_save();
    ASSERT_THAT(file_text(), HasSubstr("maximum_chance_for_explosion=0.37"));
    const int loads = settings_reload.settings_loads;
    run_frames(200);
    EXPECT_EQ(settings_reload.settings_loads, loads);
    EXPECT_STRNE(on_screen.notification_text, "Barrelburst.ini reloaded");
}

TEST_F(MenuTest, AFailedSaveKeepsTheFileAndTheEditsAndSaysSo) {
    start_armed("[Main]\nmaximum_chance_for_explosion=0.36\n");
    // A folder where the new file would go: it cannot be written.
    fs::create_directory(scratch_.path() / settings_save_file_name);
    tap(f7);
    raise_the_cap_and_save();
    EXPECT_THAT(texts(), ::testing::Contains("Barrelburst.ini cannot be written"));
    EXPECT_EQ(file_text(), "[Main]\nmaximum_chance_for_explosion=0.36\n");
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.37f);
}

TEST_F(MenuTest, ClosingGivesBackTheClosedPassExactly) {
    // A clean gun too worn to crack: its shots never fail.
    start_armed("[Main]\n", 0.0f, 0.995f);
    world().on_frame = [](standin::World& w, int) { w.weapon_of(w.player_ped).dirt = 0.0f; };
    const auto pass_of = [this](int frame) {
        std::vector<std::string> lines = lines_in(frame);
        for (std::string& line : lines) line = line.substr(line.find(' '));
        return lines;
    };
    run_frames(3);
    const std::vector<std::string> before = pass_of(host().frame());
    tap(f7);
    tap(f7);
    EXPECT_FALSE(menu.open);
    EXPECT_EQ(pass_of(host().frame()), before);
    EXPECT_TRUE(world().sprites.empty());
    EXPECT_TRUE(world().disabled_controls.empty());
}

TEST_F(MenuTest, ThePauseMenuHidesItAndTakesItsKeys) {
    start_armed("[Main]\n");
    tap(f7);
    world().pause_menu_active = true;
    tap(down);
    tap(f7);
    EXPECT_TRUE(menu.open);
    EXPECT_EQ(menu.levels[0].selected, 0);
    EXPECT_TRUE(world().sprites.empty());
    EXPECT_TRUE(world().disabled_controls.empty());
    world().pause_menu_active = false;
    run_frames(1);
    EXPECT_FALSE(world().sprites.empty());
    // And a press of the key while the pause menu is up does not open it.
    tap(f7);
    world().pause_menu_active = true;
    tap(f7);
    EXPECT_FALSE(menu.open);
    EXPECT_FALSE(host().calls_of(pause_menu_native).empty());
}

TEST_F(MenuTest, KeysAreNotHeardWhileAnotherWindowIsInFront) {
    start_armed("[Main]\n");
    world().game_in_front = false;
    const std::uint64_t asked = world().key_state_queries;
    tap(f7);
    EXPECT_FALSE(menu.open);
    EXPECT_EQ(world().key_state_queries, asked);
}

TEST_F(MenuTest, TheControllerCombinationIsAskedEveryPassOnlyWhenSwitchedOn) {
    start_armed("[Main]\nmenu_gamepad=1\n");
    run_frames(2);
    std::vector<std::string> asked;
    for (const std::string& line : lines_in(host().frame())) {
        if (line.find("IS_DISABLED_CONTROL_PRESSED") != std::string::npos) asked.push_back(line.substr(line.find(' ')));
    }
    EXPECT_THAT(asked, ElementsAre(" PAD::IS_DISABLED_CONTROL_PRESSED(2, 0x" + [] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", joaat("INPUT_FRONTEND_RB"));
        return std::string(hex);
    }() + ") -> 0", " PAD::IS_DISABLED_CONTROL_PRESSED(2, 0xA65EBAB4) -> 0"));
    world().presses.push_back({host().frame() + 1, 2, 0, menu_control::combination_hold});
    world().presses.push_back({host().frame() + 1, 2, 0, menu_control::combination_press});
    run_frames(3);
    EXPECT_TRUE(menu.open);
    EXPECT_EQ(menu.levels[0].selected, 0);  // the combination's Left is no step
}

TEST_F(MenuTest, AnEditBeginsANewSessionOfThePlayLog) {
    start_armed("[Main]\nshot_log=1\n");
    const std::string first = play_log.session;
    tap(f7);
    tap(enter);
    tap(right);
    const std::string second = play_log.session;
    EXPECT_NE(second, first);
    EXPECT_EQ(second.rfind(first.substr(0, 16), 0), 0u) << second;
    tap(right);
    EXPECT_NE(std::string(play_log.session), second);
}

// The shots at the foot: which class they speak of, and the counts.
TEST_F(MenuTest, YourShotsAreOfTheSelectedKeysClassElseOfTheGunInHandElseOfEveryClass) {
    const std::int32_t npc = start_with_clean_guns();
    tap(f7);
    EXPECT_THAT(texts(), ::testing::Contains("Rifles: no shots yet."));
    tap(f7);
    world().ped(world().player_ped).shooting = true;
    run_frames(3);
    world().ped(world().player_ped).shooting = false;
    world().ped(npc).shooting = true;
    run_frames(2);
    world().ped(npc).shooting = false;
    ASSERT_EQ(shot_records.written, 5u);

    tap(f7);
    EXPECT_THAT(texts(), ::testing::Contains("Rifles, your last 3 shots (you 3, NPCs 0): played 0 cracks, 0 explosions;"));
    EXPECT_THAT(texts(), ::testing::Contains("as edited 0 cracks, 0 explosions (0.0 and 0.0 expected)"));
    EXPECT_THAT(texts(), ::testing::Contains("Next shot as edited: cracks never, explodes never"));
    EXPECT_THAT(texts(), ::testing::Contains("Next shot as in the file: cracks never, explodes never"));
    tap_times(down, 10);
    tap(enter);  // [Expo_Chance]
    tap(down);   // revolver_expo_chance_mod
    EXPECT_THAT(texts(), ::testing::Contains(HasSubstr("Revolvers, your last 2 shots (you 0, NPCs 2): played")));
    tap(backspace);
    tap_times(up, 8);
    tap(enter);  // [Recoil]: enable_recoil, read by every class
    EXPECT_THAT(texts(), ::testing::Contains(HasSubstr("Rifles, your last 3 shots")));
    tap(down);
    tap(enter);  // pistol_recoil's list
    EXPECT_THAT(texts(), ::testing::Contains("Pistols: no shots yet."));
    tap(backspace);
    tap(backspace);
    world().ped(world().player_ped).has_weapon = false;
    run_frames(1);
    EXPECT_THAT(texts(), ::testing::Contains("All guns, your last 5 shots (you 3, NPCs 2): played 0 cracks, 0 explosions;"));
    EXPECT_THAT(texts(), ::testing::Contains("Your gun: no known gun in your hands."));
}

// Counted when the menu opens, when an edit takes effect and at most once a
// second while shots arrive; an open pass that counts calls no native more.
TEST_F(MenuTest, YourShotsAreCountedOnOpeningOnAnEditAndAtMostOnceASecond) {
    const std::int32_t npc = start_with_clean_guns();
    world().ped(npc).shooting = true;
    run_frames(5);
    const auto press = [this](int key) {
        world().presses.push_back({host().frame() + 1, 1, key, 0});
        run_frames(1);
    };
    press(f7);
    ASSERT_TRUE(menu.open);
    EXPECT_EQ(menu.shots.written_seen, shot_records.written);
    // A pass that counts calls the natives of the pass before it.
    std::vector<int> counted_at;
    std::uint64_t seen = menu.shots.written_seen;
    std::uint64_t natives_before = 0;
    for (int i = 0; i < 150; ++i) {
        const std::uint64_t before = host().native_count();
        run_frames(1);
        const std::uint64_t natives = host().native_count() - before;
        if (menu.shots.written_seen != seen) {
            counted_at.push_back(host().frame());
            EXPECT_EQ(natives, natives_before) << host().frame();
        }
        seen = menu.shots.written_seen;
        natives_before = natives;
    }
    // The game timer runs 1000/60 ms a frame: a second is 60 frames.
    ASSERT_EQ(counted_at.size(), 2u);
    EXPECT_EQ(counted_at[1] - counted_at[0], 60);
    run_frames(1);
    press(enter);
    run_frames(1);
    press(right);  // the cap: in force, and counted in the same pass
    EXPECT_EQ(menu.shots.generation_seen, settings_text.generation);
    EXPECT_EQ(menu.shots.written_seen, shot_records.written);
    // Closed, nothing is counted.
    tap(f7);
    const std::uint64_t closed_at = menu.shots.written_seen;
    run_frames(120);
    EXPECT_EQ(menu.shots.written_seen, closed_at);
    EXPECT_GT(shot_records.written, closed_at + 100);
}

// What an open, unedited pass calls: the menu's natives as before, and five
// for each line of the foot's shots (one without a shot of the class, two
// with).
TEST_F(MenuTest, AnOpenTopPageWithARifleInHandCalls145NativesAPassAnd150WithItsShots) {
    start_armed("[Main]\n", 0.0f, 0.995f);
    world().on_frame = [](standin::World& w, int) { w.weapon_of(w.player_ped).dirt = 0.0f; };
    run_frames(2);
    const auto natives_of_a_pass = [this] {
        const std::uint64_t before = host().native_count();
        run_frames(1);
        return host().native_count() - before;
    };
    std::uint64_t closed = natives_of_a_pass();
    tap(f7);
    EXPECT_EQ(natives_of_a_pass() - closed, 145u);
    tap(f7);
    world().ped(world().player_ped).shooting = true;
    run_frames(1);
    world().ped(world().player_ped).shooting = false;
    run_frames(1);
    closed = natives_of_a_pass();
    tap(f7);
    EXPECT_EQ(natives_of_a_pass() - closed, 150u);
}

TEST(MenuChances, OneShotInHowManyHasOneDecimalBelowTenAndNeverForNone) {
    const auto one_in = [](double p) {
        char text[32];
        format_one_in(text, sizeof text, p);
        return std::string(text);
    };
    EXPECT_EQ(one_in(0.0), "never");
    EXPECT_EQ(one_in(-0.0), "never");
    EXPECT_EQ(one_in(1.0), "1 in 1");
    EXPECT_EQ(one_in(0.5), "1 in 2");
    EXPECT_EQ(one_in(0.3188), "1 in 3.1");
    EXPECT_EQ(one_in(1.0 / 9.94), "1 in 9.9");
    EXPECT_EQ(one_in(1.0 / 9.96), "1 in 10");
    EXPECT_EQ(one_in(0.0172), "1 in 58");
    EXPECT_EQ(one_in(1.0 / 16777216.0), "1 in 16777216");
}

}  // namespace
