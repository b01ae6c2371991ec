// Barrelburst.ini and the settings built from it, with real files in a
// scratch working directory. load_settings calls no natives, so the tests
// call it directly after writing the file.

#include <gmock/gmock.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "config/ini_text.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "support/settings_dump.h"
#include "support/test_support.h"

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

class ConfigTest : public test::PluginTest {
protected:
    // Writes the file and loads it on top of whatever the settings hold.
    void load(const std::string& content) {
        ini(content);
        load_settings();
    }
    // Writes the file and loads it into the settings of a freshly loaded library.
    void fresh_load(const std::string& content) {
        reset_plugin_state();
        load(content);
    }
    void fresh_load_without_file() {
        std::filesystem::remove(scratch_.path() / "Barrelburst.ini");
        reset_plugin_state();
        load_settings();
    }
    std::string default_dump() {
        fresh_load_without_file();
        return test::settings_dump();
    }
};

template <typename Map>
std::vector<std::string> keys_of(const Map& table) {
    std::vector<std::string> keys;
    for (const auto& entry : table) keys.push_back(entry.first);
    return keys;
}

std::vector<std::string> base_names() {
    std::vector<std::string> names;
    for (const BaseDegradationEntry& e : settings.base_degradation) names.push_back(e.weapon_name);
    return names;
}

// The seven factors in the file's order.
std::vector<float> factors_of(const RecoilModifiers& m) {
    std::vector<float> factors;
    for (float RecoilModifiers::*factor : recoil_modifier_order) factors.push_back(m.*factor);
    return factors;
}

void expect_all_ones(const RecoilModifiers& m) {
    for (float v : factors_of(m)) EXPECT_EQ(v, 1.0f);
}

// ---------------------------------------------------------------- defaults

TEST_F(ConfigTest, WithoutTheFileEverySettingTakesItsDefault) {
    load_settings();

    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.36000001f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(settings.maximum_chance_for_explosion), 0x3EB851ECu);
    EXPECT_FALSE(settings.debug_mode);
    EXPECT_TRUE(settings.enable_native_ui);
    EXPECT_TRUE(settings.standing_in_water_washes_your_weapon);
    EXPECT_TRUE(settings.enable_vfx);
    EXPECT_EQ(settings.fx_expo_dir, "core");
    EXPECT_EQ(settings.fx_expo, "exp_air_dynamite_volatile");
    EXPECT_EQ(settings.fx_expo_scale, 0.2f);
    EXPECT_EQ(settings.fx_crack_dir, "core");
    EXPECT_EQ(settings.fx_crack, "exp_air_dynamite");
    EXPECT_EQ(settings.fx_crack_scale, 0.1f);
    EXPECT_EQ(settings.fx_expo_smoke_dir, "core");
    EXPECT_EQ(settings.fx_expo_smoke, "exp_grd_smoke_post_volatile");
    EXPECT_EQ(settings.fx_expo_smoke_scale, 0.3f);
    EXPECT_EQ(settings.fx_crack_smoke_dir, "core");
    EXPECT_EQ(settings.fx_crack_smoke, "exp_grd_smoke_post");
    EXPECT_EQ(settings.fx_crack_smoke_scale, 0.15f);
    EXPECT_EQ(settings.fx_heat_smoke_dir, "scr_generic");
    EXPECT_EQ(settings.fx_heat_smoke, "env_smoke");
    EXPECT_EQ(settings.fx_heat_smoke_scale, 0.01f);
    EXPECT_TRUE(settings.enable_recoil);
    EXPECT_TRUE(settings.enable_smoke_from_heat);
    EXPECT_TRUE(settings.base_degradation.empty());

    const std::vector<std::string> classes = {"pistol", "revolver", "rifle", "shotgun", "sniper"};
    EXPECT_THAT(keys_of(class_tuning.recoil),
                UnorderedElementsAre("pistol", "revolver", "rifle", "sniper", "shotgun"));
    EXPECT_THAT(keys_of(class_tuning.recoil_modifiers),
                UnorderedElementsAre("pistol", "revolver", "rifle", "sniper", "shotgun"));
    EXPECT_EQ(keys_of(class_tuning.dirt_modifier), classes);
    EXPECT_EQ(keys_of(class_tuning.min_dirt), classes);
    EXPECT_EQ(keys_of(class_tuning.min_degradation), classes);
    EXPECT_EQ(keys_of(class_tuning.expo_chance_mod), classes);
    EXPECT_EQ(keys_of(class_tuning.expo_type), classes);
    for (const std::string& c : classes) {
        SCOPED_TRACE(c);
        EXPECT_EQ(class_tuning.recoil.at(c).low, 1.0f);
        EXPECT_EQ(class_tuning.recoil.at(c).high, 2.0f);
        expect_all_ones(class_tuning.recoil_modifiers.at(c));
        EXPECT_EQ(class_tuning.dirt_modifier.at(c), 1.0f);
        EXPECT_EQ(class_tuning.min_dirt.at(c), 0.5f);
        EXPECT_EQ(class_tuning.min_degradation.at(c), 0.5f);
        EXPECT_EQ(class_tuning.expo_chance_mod.at(c), 0.33f);
        EXPECT_EQ(class_tuning.expo_type.at(c), 23);
    }

    const std::vector<std::string> kinds = {"NPC", "Player"};
    EXPECT_EQ(keys_of(shooter_tuning.enable_ragdoll), kinds);
    EXPECT_EQ(keys_of(shooter_tuning.enable_explosion), kinds);
    EXPECT_EQ(keys_of(shooter_tuning.disable_damage), kinds);
    EXPECT_EQ(keys_of(shooter_tuning.damage_modifier), kinds);
    EXPECT_EQ(keys_of(shooter_tuning.firing_increases_dirt), kinds);
    for (const std::string& k : kinds) {
        SCOPED_TRACE(k);
        EXPECT_EQ(shooter_tuning.enable_ragdoll.at(k), 1);
        EXPECT_EQ(shooter_tuning.enable_explosion.at(k), 1);
        EXPECT_EQ(shooter_tuning.disable_damage.at(k), 1);
        EXPECT_EQ(shooter_tuning.damage_modifier.at(k), 0.01f);
        EXPECT_EQ(shooter_tuning.firing_increases_dirt.at(k), 1);
    }
}

TEST_F(ConfigTest, EmptyUnreadableOrUnrelatedFilesGiveTheDefaults) {
    const std::string defaults = default_dump();

    fresh_load("");
    EXPECT_EQ(test::settings_dump(), defaults) << "empty file";

    fresh_load("\xEF\xBB\xBF");
    EXPECT_EQ(test::settings_dump(), defaults) << "byte-order mark only";

    fresh_load("; nothing but comments\n# and more\n[Other]\ndebug_mode=1\nenable_vfx=0\n");
    EXPECT_EQ(test::settings_dump(), defaults) << "keys in sections the plugin does not read";

    // A directory by the name cannot be read as a file.
    std::filesystem::remove(scratch_.path() / "Barrelburst.ini");
    std::filesystem::create_directory(scratch_.path() / "Barrelburst.ini");
    reset_plugin_state();
    load_settings();
    EXPECT_EQ(test::settings_dump(), defaults) << "directory";
}

TEST_F(ConfigTest, TheScriptReadsTheFileFromTheWorkingDirectoryAtStart) {
    ini("[Main]\ndebug_mode=1\n[VFX_Effects]\nfx_crack=my_crack\n");
    start();
    run_frames(1);
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_EQ(settings.fx_crack, "my_crack");
    EXPECT_EQ(settings.fx_expo, "exp_air_dynamite_volatile");
}

// -------------------------------------------------------- value conversions

TEST_F(ConfigTest, RecoilPairNeedsTwoNumbersWithTheCommaRightAfterTheFirst) {
    struct Case {
        const char* text;
        float low;
        float high;
    };
    const Case cases[] = {
        {"0.5, 1.5", 0.5f, 1.5f},   {"0.5 ,1.5", 1.0f, 2.0f}, {"3", 1.0f, 2.0f},
        {"4,5,6", 4.0f, 5.0f},      {"", 1.0f, 2.0f},         {"2,x", 1.0f, 2.0f},
        {"-1.5,2.5e1", -1.5f, 25.0f}, {"0.25,0.75 ; soft", 0.25f, 0.75f}, {"a,1", 1.0f, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fresh_load(std::string("[Recoil]\npistol_recoil=") + c.text + "\n");
        EXPECT_EQ(class_tuning.recoil.at("pistol").low, c.low);
        EXPECT_EQ(class_tuning.recoil.at("pistol").high, c.high);
        EXPECT_EQ(class_tuning.recoil.at("rifle").low, 1.0f);
        EXPECT_EQ(class_tuning.recoil.at("rifle").high, 2.0f);
    }

    fresh_load("[Recoil]\nrevolver_recoil=0.1,0.2\nshotgun_recoil=3,9\nsniper_recoil=7,8\nrifle_recoil=5,6\n");
    EXPECT_EQ(class_tuning.recoil.at("revolver").low, 0.1f);
    EXPECT_EQ(class_tuning.recoil.at("revolver").high, 0.2f);
    EXPECT_EQ(class_tuning.recoil.at("shotgun").high, 9.0f);
    EXPECT_EQ(class_tuning.recoil.at("sniper").low, 7.0f);
    EXPECT_EQ(class_tuning.recoil.at("rifle").high, 6.0f);
    EXPECT_EQ(class_tuning.recoil.at("pistol").low, 1.0f);
}

TEST_F(ConfigTest, RecoilModifiersNeedAllSevenNumbers) {
    fresh_load("[RecoilModifiers]\npistol_recoil_modifiers=2,3,4,5,6,7\n");
    expect_all_ones(class_tuning.recoil_modifiers.at("pistol"));

    fresh_load("[RecoilModifiers]\nrifle_recoil_modifiers=0.5, 1.5,2,2.5,3,3.5,4,99\n");
    EXPECT_THAT(factors_of(class_tuning.recoil_modifiers.at("rifle")), ElementsAre(0.5f, 1.5f, 2.0f, 2.5f, 3.0f, 3.5f, 4.0f));
    expect_all_ones(class_tuning.recoil_modifiers.at("pistol"));

    fresh_load("[RecoilModifiers]\nsniper_recoil_modifiers=2,3,4,5,6,7 ,8\n");
    expect_all_ones(class_tuning.recoil_modifiers.at("sniper"));

    fresh_load("[RecoilModifiers]\nshotgun_recoil_modifiers=\n");
    expect_all_ones(class_tuning.recoil_modifiers.at("shotgun"));
}

TEST_F(ConfigTest, FlagsAreOnWhenTheLeadingIntegerIsNotZero) {
    struct Case {
        const char* text;
        bool on;
    };
    const Case cases[] = {{"1", true},     {"2", true},   {"-1", true},  {"01", true},
                          {"7 days", true}, {"0", false}, {"true", false}, {"yes", false},
                          {"on", false},   {"", false},   {"0.9", false}, {"+3", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fresh_load(std::string("[Main]\ndebug_mode=") + c.text + "\nenable_native_UI=" + c.text + "\n");
        EXPECT_EQ(settings.debug_mode, c.on);
        EXPECT_EQ(settings.enable_native_ui, c.on);
    }

    fresh_load("[Main]\nstanding_in_water_washes_your_weapon=0\n[VFX_Effects]\nenable_vfx=0\n"
               "[Recoil]\nenable_recoil=0\n[Heat]\nenable_smoke_from_heat=0\n");
    EXPECT_FALSE(settings.standing_in_water_washes_your_weapon);
    EXPECT_FALSE(settings.enable_vfx);
    EXPECT_FALSE(settings.enable_recoil);
    EXPECT_FALSE(settings.enable_smoke_from_heat);
    EXPECT_TRUE(settings.enable_native_ui);

    fresh_load("[VFX_Effects]\nenable_vfx=5\n");
    EXPECT_TRUE(settings.enable_vfx);
}

TEST_F(ConfigTest, ShooterSwitchesKeepTheIntegerAndOnlyOneCountsAsOn) {
    fresh_load("[NPC]\nenable_explosion=2\nenable_ragdoll=-1\ndisable_damage=0\ndamage_modifier=2.5\n"
               "firing_increases_dirt=12abc\n[Player]\nenable_ragdoll=0\ndamage_modifier=0.5\n");
    EXPECT_EQ(shooter_tuning.enable_explosion.at("NPC"), 2);
    EXPECT_FALSE(switch_on(shooter_tuning.enable_explosion, "NPC"));
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("NPC"), -1);
    EXPECT_EQ(shooter_tuning.disable_damage.at("NPC"), 0);
    EXPECT_EQ(shooter_tuning.damage_modifier.at("NPC"), 2.5f);
    EXPECT_EQ(shooter_tuning.firing_increases_dirt.at("NPC"), 12);
    EXPECT_EQ(shooter_tuning.enable_explosion.at("Player"), 1);
    EXPECT_TRUE(switch_on(shooter_tuning.enable_explosion, "Player"));
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("Player"), 0);
    EXPECT_EQ(shooter_tuning.disable_damage.at("Player"), 1);
    EXPECT_EQ(shooter_tuning.damage_modifier.at("Player"), 0.5f);
    EXPECT_EQ(shooter_tuning.firing_increases_dirt.at("Player"), 1);
}

TEST_F(ConfigTest, NumbersTakeTheLongestLeadingNumber) {
    fresh_load("[Main]\nmaximum_chance_for_explosion=0.5abc\n"
               "[VFX_Effects]\nfx_expo_scale=1e-1\nfx_crack_scale=abc\nfx_crack_smoke_scale=-2.5x\n"
               "fx_heat_smoke_scale=0.02;thin\n"
               "[Expo_Type]\npistol_expo_type=12.9\nrevolver_expo_type=0x10\nrifle_expo_type=+7\n"
               "sniper_expo_type=-3\nshotgun_expo_type=x\n"
               "[Dirt_Increase]\npistol_dirt_modifier=2\n[Min_Dirt_To_Explode]\nrifle_min_dirt=.25\n"
               "[Min_Degradation_To_Explode]\nsniper_min_degradation=0.75,0.1\n"
               "[Expo_Chance]\nshotgun_expo_chance_mod=1.5\n");
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.5f);
    EXPECT_EQ(settings.fx_expo_scale, 0.1f);
    EXPECT_EQ(settings.fx_crack_scale, 0.0f);
    EXPECT_EQ(settings.fx_crack_smoke_scale, -2.5f);
    EXPECT_EQ(settings.fx_heat_smoke_scale, 0.02f);
    EXPECT_EQ(class_tuning.expo_type.at("pistol"), 12);
    EXPECT_EQ(class_tuning.expo_type.at("revolver"), 0);
    EXPECT_EQ(class_tuning.expo_type.at("rifle"), 7);
    EXPECT_EQ(class_tuning.expo_type.at("sniper"), -3);
    EXPECT_EQ(class_tuning.expo_type.at("shotgun"), 0);
    EXPECT_EQ(class_tuning.dirt_modifier.at("pistol"), 2.0f);
    EXPECT_EQ(class_tuning.dirt_modifier.at("rifle"), 1.0f);
    EXPECT_EQ(class_tuning.min_dirt.at("rifle"), 0.25f);
    EXPECT_EQ(class_tuning.min_dirt.at("pistol"), 0.5f);
    EXPECT_EQ(class_tuning.min_degradation.at("sniper"), 0.75f);
    EXPECT_EQ(class_tuning.expo_chance_mod.at("shotgun"), 1.5f);
    EXPECT_EQ(class_tuning.expo_chance_mod.at("sniper"), 0.33f);
}

TEST_F(ConfigTest, AnEmptyValueIsNotTheDefault) {
    fresh_load("[Main]\nmaximum_chance_for_explosion=\nenable_native_UI =\n"
               "[VFX_Effects]\nfx_expo=\nfx_expo_scale=   \n[Recoil]\npistol_recoil=\n"
               "[Expo_Type]\nrifle_expo_type=\n[Player]\nenable_ragdoll=\ndamage_modifier=\n");
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.0f);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_EQ(settings.fx_expo, "");
    EXPECT_EQ(settings.fx_expo_scale, 0.0f);
    EXPECT_EQ(class_tuning.recoil.at("pistol").low, 1.0f);
    EXPECT_EQ(class_tuning.recoil.at("pistol").high, 2.0f);
    EXPECT_EQ(class_tuning.expo_type.at("rifle"), 0);
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("Player"), 0);
    EXPECT_EQ(shooter_tuning.damage_modifier.at("Player"), 0.0f);
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("NPC"), 1);
}

TEST_F(ConfigTest, TextsAreKeptAsWrittenBetweenTheTrimmedBlanks) {
    fresh_load("[VFX_Effects]\nfx_expo_dir = \t my dict \t\nfx_crack = \"quoted\"\n"
               "fx_expo_smoke=a=b\nfx_heat_smoke_dir=caf\xC3\xA9\n");
    EXPECT_EQ(settings.fx_expo_dir, "my dict");
    EXPECT_EQ(settings.fx_crack, "\"quoted\"");
    EXPECT_EQ(settings.fx_expo_smoke, "a=b");
    EXPECT_EQ(settings.fx_heat_smoke_dir, "caf\xC3\xA9");
}

// ------------------------------------------------------------ file format

TEST_F(ConfigTest, SectionAndKeyNamesMatchWhateverTheirCase) {
    fresh_load("[main]\nDebug_Mode=1\nENABLE_NATIVE_ui=0\n[RECOIL]\nPISTOL_RECOIL=3,4\n[npc]\nEnable_Explosion=0\n"
               "[vfx_effects]\nFX_EXPO=Big_Bang\n");
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_EQ(settings.fx_expo, "Big_Bang");
    EXPECT_EQ(class_tuning.recoil.at("pistol").low, 3.0f);
    EXPECT_EQ(class_tuning.recoil.at("pistol").high, 4.0f);
    EXPECT_EQ(shooter_tuning.enable_explosion.at("NPC"), 0);
    EXPECT_THAT(keys_of(shooter_tuning.enable_explosion), ElementsAre("NPC", "Player"));
}

TEST_F(ConfigTest, TheLastOfARepeatedKeyWinsAndARepeatedSectionIsOneSection) {
    fresh_load("[Main]\ndebug_mode=1\ndebug_mode=0\nmaximum_chance_for_explosion=0.1\n"
               "[Recoil]\nenable_recoil=0\n"
               "[Main]\nmaximum_chance_for_explosion=0.2\nenable_native_UI=0\nDEBUG_MODE=3\n");
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.2f);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_FALSE(settings.enable_recoil);
}

TEST_F(ConfigTest, CommentsAreWholeLinesAndAfterAValueTheyArePartOfIt) {
    fresh_load("; the plugin's file\n"
               "[Main]\n"
               "; debug_mode=0\n"
               "debug_mode = 1 ; on\n"
               "  # enable_native_UI=0\n"
               "\t; standing_in_water_washes_your_weapon=0\n"
               "maximum_chance_for_explosion = 0.5 # half\n"
               "[VFX_Effects]\n"
               "fx_crack = exp_air_dynamite ; the small one\n"
               "fx_expo_dir = core#2\n");
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_TRUE(settings.enable_native_ui);
    EXPECT_TRUE(settings.standing_in_water_washes_your_weapon);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.5f);
    EXPECT_EQ(settings.fx_crack, "exp_air_dynamite ; the small one");
    EXPECT_EQ(settings.fx_expo_dir, "core#2");
}

TEST_F(ConfigTest, LinesThatAreNoKeysAreIgnoredAndKeysAboveTheFirstSectionAreNotRead) {
    fresh_load("debug_mode=1\nenable_vfx=0\n"
               "[Main]\n"
               "enable_native_UI\n"
               "=0\n"
               "  \t standing_in_water_washes_your_weapon \t =\t 0 \t\n"
               "maximum_chance_for_explosion\t= 0.25\n");
    EXPECT_FALSE(settings.debug_mode);
    EXPECT_TRUE(settings.enable_vfx);
    EXPECT_TRUE(settings.enable_native_ui);
    EXPECT_FALSE(settings.standing_in_water_washes_your_weapon);
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.25f);
}

TEST_F(ConfigTest, AnUnclosedSectionLineIsIgnoredAndItsKeysStayInTheOpenSection) {
    // Keys below the bad line belong to the section open before it.
    fresh_load("[Main]\n"
               "[Recoil\n"
               "debug_mode=1\n"
               "enable_native_UI=0\n"
               "[Recoil]\n"
               "pistol_recoil=3,4\n"
               "  \t[Heat\n"
               "rifle_recoil=5,6\n"
               "[Player]\n"
               "[NPC\n"
               "]\n"
               "enable_ragdoll=7\n");
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_EQ(class_tuning.recoil.at("pistol").low, 3.0f);
    EXPECT_EQ(class_tuning.recoil.at("rifle").low, 5.0f);
    EXPECT_EQ(class_tuning.recoil.at("rifle").high, 6.0f);
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("Player"), 7);
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("NPC"), 1);

    // Above the first section the keys fall into the section without a name.
    fresh_load("[Main\ndebug_mode=1\n[Heat]\nenable_smoke_from_heat=0\n");
    EXPECT_FALSE(settings.debug_mode);
    EXPECT_FALSE(settings.enable_smoke_from_heat);

    // A line with a ']' is a section header, whatever stands around the name.
    fresh_load("[Expo_Type] ; per class\npistol_expo_type=5\n[Expo_Type ; ]\nrifle_expo_type=6\n");
    EXPECT_EQ(class_tuning.expo_type.at("pistol"), 5);
    EXPECT_EQ(class_tuning.expo_type.at("rifle"), 23);

    // Inside [Base_Degradation] the bad line adds no entry and hides none.
    fresh_load("[Base_Degradation]\n[WEAPON_BAD=0.1,0.2\nWEAPON_GOOD=0.3,0.4\n");
    EXPECT_THAT(base_names(), ElementsAre("WEAPON_GOOD"));
}

TEST_F(ConfigTest, LineEndsAndAByteOrderMarkDoNotChangeWhatIsRead) {
    const std::string lf = "[Main]\n"
                           "debug_mode=1\n"
                           "maximum_chance_for_explosion=0.125\n"
                           "[Recoil\n"
                           "enable_native_UI=0\n"
                           "\n"
                           "; comment\n"
                           "[VFX_Effects]\n"
                           "fx_expo=blast\n"
                           "fx_crack=\n"
                           "[RecoilModifiers]\n"
                           "rifle_recoil_modifiers=1,2,3,4,5,6,7\n"
                           "[Base_Degradation]\n"
                           "WEAPON_B=0.5,0.75\n"
                           "WEAPON_A=0.25\n"
                           "[NPC]\n"
                           "enable_explosion=2\n";
    const auto with_ends = [&lf](const std::string& end) {
        std::string out;
        for (char ch : lf) {
            if (ch == '\n') {
                out += end;
            } else {
                out += ch;
            }
        }
        return out;
    };

    const std::string defaults = default_dump();
    fresh_load(lf);
    const std::string expected = test::settings_dump();
    ASSERT_NE(expected, defaults);
    EXPECT_TRUE(settings.debug_mode);
    EXPECT_FALSE(settings.enable_native_ui);
    EXPECT_EQ(settings.fx_expo, "blast");
    EXPECT_EQ(settings.fx_crack, "");
    EXPECT_THAT(base_names(), ElementsAre("WEAPON_A", "WEAPON_B"));

    fresh_load(with_ends("\r\n"));
    EXPECT_EQ(test::settings_dump(), expected) << "CR LF";
    fresh_load(with_ends("\r"));
    EXPECT_EQ(test::settings_dump(), expected) << "CR";
    fresh_load("\xEF\xBB\xBF" + lf);
    EXPECT_EQ(test::settings_dump(), expected) << "byte-order mark";
    fresh_load("\xEF\xBB\xBF" + with_ends("\r\n"));
    EXPECT_EQ(test::settings_dump(), expected) << "byte-order mark, CR LF";

    std::string mixed;
    int n = 0;
    for (char ch : lf) {
        if (ch == '\n') {
            mixed += (n % 3 == 0) ? "\r\n" : (n % 3 == 1) ? "\r" : "\n";
            ++n;
        } else {
            mixed += ch;
        }
    }
    fresh_load(mixed);
    EXPECT_EQ(test::settings_dump(), expected) << "mixed";

    // The file need not end with a line end.
    fresh_load("[VFX_Effects]\r\nfx_expo=blast");
    EXPECT_EQ(settings.fx_expo, "blast");
}

// ------------------------------------------------------- base degradation

TEST_F(ConfigTest, BaseDegradationEntriesStandInCaseInsensitiveKeyOrder) {
    fresh_load("[Base_Degradation]\n"
               "weapon_rifle_springfield=0.1,0.2\n"
               "WEAPON_REVOLVER_CATTLEMAN=0.2,0.6\n"
               "Weapon_Pistol_Volcanic=0.3\n"
               "WEAPON_SHOTGUN_PUMP=0.2 ,0.6\n"
               "weapon_bow=\n"
               "WEAPON_SNIPERRIFLE_ROLLINGBLOCK=0.7, 0.7 ; note\n"
               "weapon_bow=0.4,0.5\n");
    // Byte order would put the capitalised names first.
    EXPECT_THAT(base_names(), ElementsAre("weapon_bow", "Weapon_Pistol_Volcanic", "WEAPON_REVOLVER_CATTLEMAN",
                                          "weapon_rifle_springfield", "WEAPON_SHOTGUN_PUMP",
                                          "WEAPON_SNIPERRIFLE_ROLLINGBLOCK"));
    const auto& list = settings.base_degradation;
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].low, 0.4f);  // the repeated key, its last value
    EXPECT_EQ(list[0].high, 0.5f);
    EXPECT_EQ(list[1].low, 0.0f);  // one number
    EXPECT_EQ(list[1].high, 0.0f);
    EXPECT_EQ(list[2].low, 0.2f);
    EXPECT_EQ(list[2].high, 0.6f);
    EXPECT_EQ(list[3].low, 0.1f);
    EXPECT_EQ(list[3].high, 0.2f);
    EXPECT_EQ(list[4].low, 0.0f);  // blank before the comma
    EXPECT_EQ(list[4].high, 0.0f);
    EXPECT_EQ(list[5].low, 0.7f);
    EXPECT_EQ(list[5].high, 0.7f);

    fresh_load("[base_degradation]\nWEAPON_X=0.1,0.9\n");
    EXPECT_THAT(base_names(), ElementsAre("WEAPON_X"));

    fresh_load("[Base_Degradation]\n");
    EXPECT_TRUE(settings.base_degradation.empty());
}

TEST_F(ConfigTest, ASecondLoadHoldsOnlyTheSecondFilesSettings) {
    load("[Main]\ndebug_mode=1\n[Base_Degradation]\nWEAPON_A=0.1,0.2\nWEAPON_B=0.3,0.4\n"
         "[Recoil]\npistol_recoil=5,6\n[NPC]\nenable_explosion=0\n");
    ASSERT_EQ(settings.base_degradation.size(), 2u);

    load("[Base_Degradation]\nWEAPON_C=0.5,0.6\n");
    ASSERT_EQ(settings.base_degradation.size(), 1u);
    EXPECT_EQ(settings.base_degradation[0].weapon_name, "WEAPON_C");
    EXPECT_EQ(settings.base_degradation[0].low, 0.5f);
    EXPECT_EQ(settings.base_degradation[0].high, 0.6f);
    EXPECT_FALSE(settings.debug_mode);
    EXPECT_EQ(class_tuning.recoil.at("pistol").low, 1.0f);
    EXPECT_EQ(shooter_tuning.enable_explosion.at("NPC"), 1);

    const std::string second = test::settings_dump();
    fresh_load("[Base_Degradation]\nWEAPON_C=0.5,0.6\n");
    EXPECT_EQ(second, test::settings_dump());

    std::filesystem::remove(scratch_.path() / "Barrelburst.ini");
    load_settings();
    EXPECT_TRUE(settings.base_degradation.empty());
}

// ------------------------------------------------------------ table reads

TEST_F(ConfigTest, InsertingReadsAddAnAbsentKeyWithZero) {
    load_settings();
    EXPECT_EQ(read_table(class_tuning.dirt_modifier, "unknown"), 0.0f);
    EXPECT_EQ(read_table(class_tuning.expo_type, "unknown"), 0);
    EXPECT_EQ(read_table(class_tuning.min_dirt, "Pistol"), 0.0f);  // keys are case-sensitive
    EXPECT_THAT(keys_of(class_tuning.dirt_modifier),
                ElementsAre("pistol", "revolver", "rifle", "shotgun", "sniper", "unknown"));
    EXPECT_EQ(class_tuning.expo_type.size(), 6u);
    EXPECT_EQ(class_tuning.min_dirt.size(), 6u);
    // Every table is its own container.
    EXPECT_EQ(class_tuning.min_degradation.size(), 5u);
    EXPECT_EQ(class_tuning.expo_chance_mod.size(), 5u);

    EXPECT_FALSE(switch_on(shooter_tuning.enable_ragdoll, "npc"));
    EXPECT_THAT(keys_of(shooter_tuning.enable_ragdoll), ElementsAre("NPC", "Player", "npc"));
    EXPECT_EQ(shooter_tuning.enable_ragdoll.at("npc"), 0);
    EXPECT_EQ(shooter_tuning.enable_explosion.size(), 2u);

    EXPECT_EQ(read_table(class_tuning.min_dirt, "pistol"), 0.5f);
    EXPECT_TRUE(switch_on(shooter_tuning.enable_ragdoll, "NPC"));
}

TEST_F(ConfigTest, RecoilTablesAreOnlySearched) {
    load("[Recoil]\nsniper_recoil=3,4\n[RecoilModifiers]\nsniper_recoil_modifiers=1,2,3,4,5,6,7\n");
    EXPECT_EQ(find_recoil("unknown"), nullptr);
    EXPECT_EQ(find_recoil("Sniper"), nullptr);
    EXPECT_EQ(find_recoil_modifiers("unknown"), nullptr);
    EXPECT_EQ(class_tuning.recoil.size(), 5u);
    EXPECT_EQ(class_tuning.recoil_modifiers.size(), 5u);

    const RecoilRange* range = find_recoil("sniper");
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->low, 3.0f);
    EXPECT_EQ(range->high, 4.0f);
    const RecoilModifiers* modifiers = find_recoil_modifiers("sniper");
    ASSERT_NE(modifiers, nullptr);
    EXPECT_EQ(modifiers->combat_movement, 7.0f);
}

// ---------------------------------------------- unclosed section line filter

TEST(DropUnclosedSectionLines, BlanksOnlyLinesThatOpenABracketWithoutClosingIt) {
    EXPECT_EQ(drop_unclosed_section_lines(""), "");
    EXPECT_EQ(drop_unclosed_section_lines("[ok]\nk=v\n"), "[ok]\nk=v\n");
    EXPECT_EQ(drop_unclosed_section_lines("[bad\nk=v\n"), "    \nk=v\n");
    EXPECT_EQ(drop_unclosed_section_lines("  [bad\nk=v"), "      \nk=v");
    EXPECT_EQ(drop_unclosed_section_lines("\t[bad"), "     ");
    EXPECT_EQ(drop_unclosed_section_lines("[a ; ]\n"), "[a ; ]\n");
    EXPECT_EQ(drop_unclosed_section_lines("[a ; \n"), "     \n");
    EXPECT_EQ(drop_unclosed_section_lines("[x] tail\n[y"), "[x] tail\n  ");
    EXPECT_EQ(drop_unclosed_section_lines("[bad\n]\n"), "    \n]\n");
    EXPECT_EQ(drop_unclosed_section_lines("k=[v\n; [c\n# [c\n"), "k=[v\n; [c\n# [c\n");
    EXPECT_EQ(drop_unclosed_section_lines("a\n\n[\n"), "a\n\n \n");
}

TEST(DropUnclosedSectionLines, KeepsEveryLineEndAndTheByteOrderMark) {
    EXPECT_EQ(drop_unclosed_section_lines("[bad\r\n[ok]\r\nk=v\r\n"), "    \r\n[ok]\r\nk=v\r\n");
    EXPECT_EQ(drop_unclosed_section_lines("[bad\r[ok]\rk=v\r"), "    \r[ok]\rk=v\r");
    EXPECT_EQ(drop_unclosed_section_lines("[ok]\r[bad\r\r\n[b2\n"), "[ok]\r    \r\r\n   \n");
    EXPECT_EQ(drop_unclosed_section_lines("\xEF\xBB\xBF[bad\nk=v\n"), "\xEF\xBB\xBF    \nk=v\n");
    EXPECT_EQ(drop_unclosed_section_lines("\xEF\xBB\xBF[ok]\n"), "\xEF\xBB\xBF[ok]\n");
    EXPECT_EQ(drop_unclosed_section_lines("\xEF\xBB\xBF"), "\xEF\xBB\xBF");
    // The mark counts only at the very start; elsewhere its bytes are text.
    EXPECT_EQ(drop_unclosed_section_lines("k=1\n\xEF\xBB\xBF[x\n"), "k=1\n\xEF\xBB\xBF[x\n");
}

}  // namespace
