// The INI's text with one value changed: only the line the plugin reads the
// key from, and the file otherwise byte for byte; the value text the plugin
// reads for a key, against the plugin's own loader.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "config/ini_edit.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "support/test_support.h"

namespace {

using namespace std::string_literals;

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

// The plugin's reader stops at a NUL byte: a save changes only what it reads.
TEST(IniEdit, ANulByteEndsWhatIsSearchedAndWhatFollowsItStaysAsItIs) {
    const std::string unread = "\0[Main]\ndebug_mode=1\n"s;
    EXPECT_EQ(with_value("[Main]\ndebug_mode=0\n" + unread, "Main", "debug_mode", "1"),
              "[Main]\ndebug_mode=1\n" + unread);
    // A key the read part lacks joins its section there, a section ends it.
    EXPECT_EQ(with_value("[Main]\nshot_log=0\n" + unread, "Main", "debug_mode", "1"),
              "[Main]\nshot_log=0\ndebug_mode=1\n" + unread);
    EXPECT_EQ(with_value("[Heat]\nx=1" + unread, "Main", "debug_mode", "1"),
              "[Heat]\nx=1\n\n[Main]\ndebug_mode=1\n" + unread);
    // A NUL inside a line: the value before it is the one read and changed.
    EXPECT_EQ(with_value("[Main]\ndebug_mode=0\0 tail\n"s, "Main", "debug_mode", "1"), "[Main]\ndebug_mode=1\0 tail\n"s);
    // What the plugin reads of a saved text is the edit.
    reset_plugin_state();
    load_settings_from_text(with_value("[Main]\ndebug_mode=0\n" + unread, "Main", "debug_mode", "1"));
    EXPECT_TRUE(settings.debug_mode);
}

TEST(IniEdit, LinesAreReadAsThePluginReadsThem) {
    // An unclosed section line is ignored: the key below it is still [Main]'s.
    EXPECT_EQ(with_value("\xEF\xBB\xBF[Main]\n[Heat\ndebug_mode=1\n", "Main", "debug_mode", "0"),
              "\xEF\xBB\xBF[Main]\n[Heat\ndebug_mode=0\n");
    // Comments and keys above every section are never the key.
    EXPECT_EQ(with_value("debug_mode=1\n[Main]\n;debug_mode=1\n# debug_mode=1\n", "Main", "debug_mode", "0"),
              "debug_mode=1\n[Main]\n;debug_mode=1\n# debug_mode=1\ndebug_mode=0\n");

    // And the plugin reads the value from it.
    reset_plugin_state();
    load_settings_from_text(
        with_value("[Main]\nmaximum_chance_for_explosion=0.36\n[Main\nmaximum_chance_for_explosion=0.2\n", "Main",
                   "maximum_chance_for_explosion", "0.75"));
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.75f);
    reset_plugin_state();
}

// Texts whose [VFX_Effects] fx_expo (a name: the loader keeps the text as it
// stands) is easy to misread, and the value text the reader takes.
struct Tricky {
    const char* why;
    std::string text;
    std::optional<std::string> value;
};

const Tricky tricky_texts[] = {
    {"the last of a repeated key, in a section given twice",
     "[VFX_Effects]\nfx_expo=a\n[Main]\nfx_expo=b\n[vfx_effects]\nFX_EXPO=c\n", "c"},
    {"blanks around the value trimmed, blanks inside kept", "[ VFX_Effects ] ; effects\r\nfx_expo =\t a b \t\r\n",
     "a b"},
    {"a comment after a value is part of it", "[VFX_Effects]\rfx_expo=core ; big\r; fx_expo=no\r", "core ; big"},
    {"an unclosed section line leaves the section open", "\xEF\xBB\xBF[VFX_Effects]\n[Main\nfx_expo=kept\n", "kept"},
    {"key= is an empty value, not none", "[VFX_Effects]\nfx_expo=\n", ""},
    {"a key above every header is never read", "fx_expo=top\n[VFX_Effects]\nfx_expo_dir=core\n", std::nullopt},
    {"the reader stops at a NUL byte", "[VFX_Effects]\nfx_expo=before\n\0fx_expo=after\n"s, "before"},
    {"a line without '=' or without a name is no key", "[VFX_Effects]\nfx_expo\n=fx_expo\n", std::nullopt},
};

TEST(WrittenValue, IsTheTextThePluginsLoaderStores) {
    const std::string default_name = "exp_air_dynamite_volatile";
    for (const Tricky& t : tricky_texts) {
        SCOPED_TRACE(t.why);
        const std::optional<std::string_view> written = written_value(t.text, "VFX_Effects", "fx_expo");
        EXPECT_EQ(written ? std::optional<std::string>(*written) : std::nullopt, t.value);
        reset_plugin_state();
        load_settings_from_text(t.text);
        EXPECT_EQ(settings.fx_expo, t.value.value_or(default_name));
    }
    reset_plugin_state();
}

// What the menu's save relies on: after the edit the plugin reads the new
// value, whether the key was there, was given twice or was missing.
TEST(WrittenValue, AfterAnEditIsTheNewValue) {
    for (const Tricky& t : tricky_texts) {
        if (t.text.find('\0') != std::string::npos) continue;  // with_value edits past a NUL byte
        SCOPED_TRACE(t.why);
        const std::string edited = with_value(t.text, "vfx_effects", "fx_expo", "exp_new");
        EXPECT_EQ(written_value(edited, "VFX_Effects", "FX_EXPO"), "exp_new");
        reset_plugin_state();
        load_settings_from_text(edited);
        EXPECT_EQ(settings.fx_expo, "exp_new");
    }
    reset_plugin_state();
}

}  // namespace
