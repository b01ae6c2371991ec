// barrelburst-sim check: an INI read as the plugin reads it, its effective
// settings with their sources, the findings on their lines, the exit status
// and the JSON.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "support/cli_support.h"

namespace {

using ::testing::HasSubstr;

class CheckTest : public test::ToolTest {};

TEST_F(CheckTest, CheckFlagsAMisspelledKeyWithTheNearestKnownName) {
    const std::string file = write("typo.ini", "[Recoil]\npistol_recoill=0.5,1.5\n");
    const Cli r = cli({"check", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr(file + ":2: error: [Recoil] unknown key 'pistol_recoill': the plugin never reads it; "
                                        "did you mean 'pistol_recoil'?"));
    // The misspelt key sets nothing: the pistol keeps the default recoil.
    EXPECT_THAT(r.out, HasSubstr("    pistol_recoil                         1, 2                               default\n"));
}

TEST_F(CheckTest, CheckExitStatusIsZeroForACleanFileOneWhenFlaggedTwoWhenUnreadable) {
    const std::string clean = write("clean.ini", "[main]\nDebug_Mode=2\n[Recoil]\npistol_recoil=0.5, 1.5\n");
    const Cli ok = cli({"check", clean});
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_THAT(ok.out, HasSubstr("Nothing flagged."));
    // Names match without case; 2 is on; a blank after a comma is fine; * marks a value other than the default.
    EXPECT_THAT(ok.out, HasSubstr("  * debug_mode                            on                                 file, line 2\n"));
    EXPECT_THAT(ok.out, HasSubstr("  * pistol_recoil                         0.5, 1.5                           file, line 4\n"));
    EXPECT_THAT(ok.out, HasSubstr("    maximum_chance_for_explosion          0.36                               default\n"));
    // The file's sections first, in its order.
    EXPECT_LT(ok.out.find("[Main]"), ok.out.find("[Recoil]"));
    EXPECT_LT(ok.out.find("[Recoil]"), ok.out.find("[VFX_Effects]"));

    const Cli shipped = cli({"check", std::string(BB_SOURCE_DIR) + "/release/Barrelburst.ini"});
    EXPECT_EQ(shipped.status, 0) << shipped.out;

    const std::string missing = (scratch_.path() / "absent.ini").string();
    const Cli gone = cli({"check", missing, "--format", "json"});
    EXPECT_EQ(gone.status, 2);
    EXPECT_EQ(gone.err, "barrelburst-sim check: cannot read INI file '" + missing + "': No such file or directory\n");
    EXPECT_EQ(gone.out, "");

    const Cli directory = cli({"check", scratch_.path().string()});
    EXPECT_EQ(directory.status, 2);
    EXPECT_THAT(directory.err, HasSubstr("it is a directory"));
}

TEST_F(CheckTest, CheckFlagsFallbacksOddConversionsAndThresholdsOfOne) {
    const std::string file = write("odd.ini",
                                   "[Recoil]\n"
                                   "pistol_recoil=0.5 ,1.5\n"
                                   "[Main]\n"
                                   "debug_mode = true\n"
                                   "enable_native_UI = 1 ; on\n"
                                   "[VFX_Effects]\n"
                                   "fx_expo = exp_air_dynamite_volatile ; big\n"
                                   "[Min_Dirt_To_Explode]\n"
                                   "rifle_min_dirt = 1\n"
                                   "[Mian]\n"
                                   "[NPC]\n"
                                   "enable_explosion=2\n"
                                   "[Player]\n"
                                   "rifle_recoil=1,2\n");
    const Cli r = cli({"check", file});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> expected = {
        ":2: error: [Recoil] pistol_recoil: '0.5 ,1.5' does not read as 2 numbers joined by commas (a blank before a "
        "comma ends the list): it falls back to 1.0,2.0",
        ":4: error: [Main] debug_mode: 'true' is not a number: it reads as off; write 1 for on, 0 for off",
        ":5: warning: [Main] enable_native_UI: '1 ; on' reads as on; the rest '; on' is ignored (a comment after a "
        "value is part of the value)",
        ":7: error: [VFX_Effects] fx_expo: the name is 'exp_air_dynamite_volatile ; big' as a whole: a comment after "
        "a value is part of the value",
        ":9: warning: [Min_Dirt_To_Explode] rifle_min_dirt: 1 is outside the range where it makes sense, 0 to below 1: "
        "the excess over it is divided by 1 minus it: at 1 the dirt term is always 0, so the class never explodes",
        ":10: error: unknown section [Mian]: the plugin never reads it; did you mean [Main]?",
        ":12: warning: [NPC] enable_explosion: '2' is kept as 2, and only exactly 1 counts as on: the scan still "
        "evaluates NPCs",
        ":14: error: [Player] unknown key 'rifle_recoil': the plugin never reads it; it belongs in [Recoil]",
    };
    for (const std::string& e : expected) EXPECT_THAT(r.out, HasSubstr(file + e));
    EXPECT_THAT(r.out, HasSubstr("Flagged (8: 5 error(s), 3 warning(s)):"));
    // The effective values are the plugin's own.
    EXPECT_THAT(r.out, HasSubstr("    pistol_recoil                         1, 2                               fallback, line 2\n"));
    EXPECT_THAT(r.out, HasSubstr("    debug_mode                            off                                file, line 4\n"));
    EXPECT_THAT(r.out, HasSubstr("  * fx_expo                               \"exp_air_dynamite_volatile ; big\"  file, line 7\n"));
    EXPECT_THAT(r.out, HasSubstr("  * enable_explosion                      2                                  file, line 12\n"));
}

TEST_F(CheckTest, CheckFlagsARepeatedKeyAndListsBaseDegradationEntries) {
    const std::string file = write("dup.ini",
                                   "[Main]\nmaximum_chance_for_explosion=0.5\nmaximum_chance_for_explosion=0.25\n"
                                   "[Base_Degradation]\nREL_B=0.6,0.9\nREL_A=3\n");
    const Cli r = cli({"check", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr(file + ":2: error: [Main] maximum_chance_for_explosion: given again at line 3, whose "
                                        "value counts"));
    EXPECT_THAT(r.out, HasSubstr(file + ":6: error: [Base_Degradation] REL_A: '3' does not read as 2 numbers joined "
                                        "by commas (it holds 1): it falls back to 0,0"));
    EXPECT_THAT(r.out, HasSubstr("  * maximum_chance_for_explosion          0.25                               file, line 3\n"));
    // In the reader's order: by name.
    EXPECT_THAT(r.out, HasSubstr("[Base_Degradation]\n"
                                 "  * REL_A                                 0, 0                               fallback, line 6\n"
                                 "  * REL_B                                 0.6, 0.9                           file, line 5\n"));
}

// A menu key the menu does not know leaves the game without a menu; an empty
// one is meant, and letter case does not matter.
TEST_F(CheckTest, CheckFlagsAMenuKeyTheMenuDoesNotKnow) {
    const std::string names =
        "write one of PAGEUP, PAGEDOWN, END, HOME, INSERT, DELETE, 0-9, A-Z, NUMPAD0-NUMPAD9, F1-F24, or leave it "
        "empty for no menu";
    for (const char* value : {"f 7", "F25", "F7 ; menu", "ESC"}) {
        SCOPED_TRACE(value);
        const std::string file = write("menu.ini", std::string("[Main]\nmenu_key=") + value + "\n");
        const Cli r = cli({"check", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.out, HasSubstr(file + ":2: error: [Main] menu_key: '" + value + "' is not a key the menu knows"));
        EXPECT_THAT(r.out, HasSubstr(": there will be no settings menu in the game; " + names));
        EXPECT_THAT(r.out, HasSubstr("Flagged (1: 1 error(s), 0 warning(s)):"));
    }
    EXPECT_THAT(cli({"check", write("comment.ini", "[Main]\nmenu_key=F7 ; menu\n")}).out,
                HasSubstr("a comment after a value is part of the value"));
    for (const char* value : {"", "f7", "numpad0", "PageDown", "F24"}) {
        SCOPED_TRACE(value);
        const Cli r = cli({"check", write("menu.ini", std::string("[Main]\nmenu_key=") + value + "\n")});
        EXPECT_EQ(r.status, 0) << r.out;
    }
}

// The mistakes that silently change play, each on its line, read back from the JSON.
TEST_F(CheckTest, CheckJsonNamesEachMistakeOnItsLine) {
    const std::string file = write("mistakes.ini",
                                   "[Recoil]\n"
                                   "pistol_recoil = 2,1\n"
                                   "[Main]\n"
                                   "maximum_chance_for_explosion = 1.5\n"
                                   "[Base_Degradation]\n"
                                   "WEAPON_PISTOL_VOLCANIC=0.3,0.5\n"
                                   "REL_GANG_ODRISCOLL=0.9,0.2\n"
                                   "bandits=0.2,0.4\n"
                                   "[Expo_Chance]\n"
                                   "rifle = 0.5\n"
                                   "[Dirt_Increase]\n"
                                   "rifle_dirt_modifier = -1\n"
                                   "[Player]\n"
                                   "damage_modifier = -2\n");
    const Cli r = cli({"check", file, "--format", "json"});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["file"], file);
    struct Expected {
        int line;
        const char* key;
        const char* severity;
        const char* in_message;
        const char* in_suggestion;
    };
    const Expected expected[] = {
        {2, "pistol_recoil", "warning", "the low 2 is above the high 1", "1,2"},
        {4, "maximum_chance_for_explosion", "warning", "1.5 is outside the range where it makes sense, 0 to 1",
         "0 to 1"},
        {6, "WEAPON_PISTOL_VOLCANIC", "error", "a weapon name never matches", "REL_GANG_ODRISCOLL"},
        {7, "REL_GANG_ODRISCOLL", "warning", "the low 0.9 is above the high 0.2", "0.2,0.9"},
        {8, "bandits", "error", "not a relationship-group name (REL_...)", "REL_CRIMINALS"},
        {10, "rifle", "error", "unknown key 'rifle'", "did you mean 'rifle_expo_chance_mod'?"},
        {12, "rifle_dirt_modifier", "warning", "-1 is outside", "0 or more"},
        {14, "damage_modifier", "warning", "-2 is outside", "0 or more"},
    };
    ASSERT_EQ(report["findings"].size(), std::size(expected)) << r.out;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const nlohmann::json& f = report["findings"][i];
        EXPECT_EQ(f["line"], expected[i].line) << f;
        EXPECT_EQ(f["key"], expected[i].key) << f;
        EXPECT_EQ(f["severity"], expected[i].severity) << f;
        EXPECT_THAT(f["message"].get<std::string>(), HasSubstr(expected[i].in_message)) << f;
        EXPECT_THAT(f["suggestion"].get<std::string>(), HasSubstr(expected[i].in_suggestion)) << f;
    }
    EXPECT_EQ(report["findings"][5]["section"], "Expo_Chance");
    EXPECT_EQ(report["findings"][7]["section"], "Player");
    // Every setting with its source; a default has no line.
    const auto setting = [&report](const std::string& section, const std::string& key) {
        for (const nlohmann::json& s : report["settings"]) {
            if (s["section"] == section && s["key"] == key) return s;
        }
        return nlohmann::json();
    };
    EXPECT_EQ(setting("Recoil", "pistol_recoil"),
              nlohmann::json::parse(R"({"section":"Recoil","key":"pistol_recoil","value":"2, 1","source":"file","line":2})"));
    EXPECT_EQ(setting("Expo_Chance", "rifle_expo_chance_mod")["line"], nullptr);
    EXPECT_EQ(setting("Expo_Chance", "rifle_expo_chance_mod")["source"], "default");
    EXPECT_EQ(setting("Base_Degradation", "bandits")["value"], "0.2, 0.4");
    // The file's sections first, in its order.
    EXPECT_EQ(report["settings"][0]["section"], "Recoil");
}

}  // namespace
