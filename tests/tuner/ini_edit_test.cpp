// The INI's text with one value changed: only the line the plugin reads the
// key from, and the file otherwise byte for byte; what the plugin then reads.

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "engine/ini_edit.h"
#include "plugin_state.h"

namespace {

using tuner::with_value;

TEST(IniEdit, TheLineThePluginReadsGetsTheValueAndNothingElseMoves) {
    const std::string text =
        "; tuning\r\n[main]\r\nMaximum_Chance_For_Explosion = 0.36   \r\n\r\n[Expo_Chance]\r\n"
        "rifle_expo_chance_mod=0.33\r\n[Main]\r\n; again\r\nmaximum_chance_for_explosion=0.4\r\n";
    // A section given twice is one section, and a repeated key's last line counts.
    EXPECT_EQ(with_value(text, "Main", "maximum_chance_for_explosion", "0.5"),
              "; tuning\r\n[main]\r\nMaximum_Chance_For_Explosion = 0.36   \r\n\r\n[Expo_Chance]\r\n"
              "rifle_expo_chance_mod=0.33\r\n[Main]\r\n; again\r\nmaximum_chance_for_explosion=0.5\r\n");
    // The name as the file spells it, the blanks before the value kept, the old value's tail gone.
    EXPECT_EQ(with_value("[Main]\ndebug_mode =  1 ; on\n", "Main", "DEBUG_MODE", "0"), "[Main]\ndebug_mode =  0\n");
    // A line break in the value would make two lines of one.
    EXPECT_EQ(with_value("[Main]\ndebug_mode=1\n", "Main", "debug_mode", "0\r\n[Heat]"), "[Main]\ndebug_mode=0[Heat]\n");
}

TEST(IniEdit, AMissingKeyEndsItsSectionAndAMissingSectionEndsTheFile) {
    // After the section's last line, before the blank line that ends it.
    EXPECT_EQ(with_value("[Main]\r\ndebug_mode=0\r\n\r\n[Heat]\r\n", "Main", "shot_log", "1"),
              "[Main]\r\ndebug_mode=0\r\nshot_log=1\r\n\r\n[Heat]\r\n");
    // In the section's last part when it is given twice; after its header when it is empty.
    EXPECT_EQ(with_value("[Main]\na=1\n[Heat]\n[Main]\n", "Main", "b", "2"), "[Main]\na=1\n[Heat]\n[Main]\nb=2\n");
    // A file without a last line end keeps having none.
    EXPECT_EQ(with_value("[Main]\ndebug_mode=0", "Main", "shot_log", "1"), "[Main]\ndebug_mode=0\nshot_log=1");
    // A new section after a blank line, with the file's line ends (CR alone here).
    EXPECT_EQ(with_value("[Main]\rdebug_mode=0", "Heat", "enable_smoke_from_heat", "0"),
              "[Main]\rdebug_mode=0\r\r[Heat]\renable_smoke_from_heat=0\r");
    EXPECT_EQ(with_value("", "Main", "debug_mode", "1"), "[Main]\ndebug_mode=1\n");
}

TEST(IniEdit, LinesAreReadAsThePluginReadsThem) {
    // An unclosed section line is ignored: the key below it is still [Main]'s.
    EXPECT_EQ(with_value("\xEF\xBB\xBF[Main]\n[Heat\ndebug_mode=1\n", "Main", "debug_mode", "0"),
              "\xEF\xBB\xBF[Main]\n[Heat\ndebug_mode=0\n");
    // Comments and keys above every section are never the key.
    EXPECT_EQ(with_value("debug_mode=1\n[Main]\n;debug_mode=1\n# debug_mode=1\n", "Main", "debug_mode", "0"),
              "debug_mode=1\n[Main]\n;debug_mode=1\n# debug_mode=1\ndebug_mode=0\n");

    // And the plugin reads the value from it.
    standin::reset_plugin_globals();
    load_settings_from_text(
        with_value("[Main]\nmaximum_chance_for_explosion=0.36\n[Main\nmaximum_chance_for_explosion=0.2\n", "Main",
                   "maximum_chance_for_explosion", "0.75"));
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.75f);
    standin::reset_plugin_globals();
}

}  // namespace
