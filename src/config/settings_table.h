#pragma once
// Every key of Barrelburst.ini, described once: its section and name (or the
// pattern of names of a per-class or per-shooter key), the kind of its value,
// the default text, where the value makes sense, what it means, and where the
// plugin stores it. load_settings reads the file through this table; the
// tools list, check and document the file from it.

#include <array>
#include <iterator>
#include <limits>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "config/settings.h"

enum class ValueKind {
    number,        // atof, kept as a 32-bit float
    flag,          // atoi; on when it is not 0
    exact_switch,  // atoi kept as it is; on only when it is exactly 1
    whole_number,  // atoi kept as it is
    text,          // the text as it stands, a name passed to the game
    pair,          // "%f,%f": low,high
    seven,         // "%f,%f,%f,%f,%f,%f,%f"
};

enum class KeyScope {
    single,       // one key of one section
    per_class,    // one key per tuned weapon class: the class, then the key's suffix
    per_shooter,  // one key per shooter kind, in the section named after the kind
    any_key,      // every key of the section ([Base_Degradation])
};

// Where a number (or each number of a list) makes sense. The plugin uses a
// value outside it all the same; `outside` says what that does in play.
struct ValueRange {
    float low = -std::numeric_limits<float>::infinity();
    float high = std::numeric_limits<float>::infinity();
    bool high_excluded = false;
    const char* outside = nullptr;
};

// Where the loader puts the value of a key.
using SettingStore = std::variant<float ModSettings::*, bool ModSettings::*, std::string ModSettings::*,
                                  std::vector<BaseDegradationEntry> ModSettings::*,
                                  std::unordered_map<std::string, RecoilRange> ClassTuning::*,
                                  std::unordered_map<std::string, RecoilModifiers> ClassTuning::*,
                                  std::map<std::string, float> ClassTuning::*, std::map<std::string, int> ClassTuning::*,
                                  std::map<std::string, float> ShooterTuning::*,
                                  std::map<std::string, int> ShooterTuning::*>;

// A section of the file, in the order the shipped file has them.
struct SettingSection {
    const char* name;
    const char* about;  // what the section is for, as the menu's top page says it
    bool listed;        // its keys are entries the file lists: the menu shows them, the file edits them
};
inline constexpr SettingSection settings_sections[] = {
    {"Main",
     "The failure chances' cap, the banner, the debug overlay, washing in water, live reloading, the play log and "
     "this menu.",
     false},
    {"VFX_Effects",
     "The flash and smoke of cracks and explosions, and the smoke of a hot barrel: effect names and sizes.", false},
    {"Recoil", "The camera kick of your shots, per weapon class.", false},
    {"RecoilModifiers", "The seven factors on your camera kick, per weapon class.", false},
    {"Heat", "The smoke that rises from a hot barrel.", false},
    {"Player", "Which failures happen to you: watching your shots, falls, damage, firing dirt.", false},
    {"NPC", "Which failures happen to other people: watching their shots, falls, damage, firing dirt.", false},
    {"Dirt_Increase", "How much dirt each shot adds, per weapon class.", false},
    {"Min_Dirt_To_Explode", "The dirt above which a weapon starts to fail, per weapon class.", false},
    {"Min_Degradation_To_Explode", "The wear above which a weapon starts to fail, per weapon class.", false},
    {"Expo_Chance", "How likely a failure is, per weapon class.", false},
    {"Expo_Type", "The game's explosion type of a failure's blast, per weapon class.", false},
    {"Base_Degradation", "Worn guns carried by the people of a relationship group.", true},
};
inline constexpr int settings_section_count = static_cast<int>(std::size(settings_sections));

struct SettingKey {
    KeyScope scope;
    const char* section;  // nullptr for a per-shooter key: the section is the shooter kind
    const char* key;      // per-class: the suffix after the class name; any_key: what a key names
    ValueKind kind;
    const char* default_text;   // any_key: what an absent section gives
    const char* fallback_text;  // lists: what a value that does not read gives (nullptr: the default)
    bool has_range;
    ValueRange range;
    const char* meaning;
    SettingStore store;
    // Rows of one group are read together: a per-class or per-shooter group
    // reads every row of the first class or kind before the next.
    int read_group;
    // A list's numbers, by name, in the file's order (none for the other kinds).
    std::span<const char* const> elements = {};
};

// Every key, in the order the loader reads them.
extern const std::span<const SettingKey> settings_table;

// One key of the file that a row stands for.
struct SettingName {
    const SettingKey* row;
    const char* instance;  // the class or shooter kind; nullptr for a single key
    std::string section;
    std::string key;
    int index = 0;  // its place in all_setting_names()
};

// Every named key of the table, in the order the loader reads them (a
// per-class or per-shooter row gives one name per class or kind; an any_key
// row gives none); made once.
const std::vector<SettingName>& all_setting_names();
// At most this many named keys (the key table has fewer).
inline constexpr int setting_name_limit = 128;
// The section of that name, as the file may spell it; nullptr for none.
const SettingSection* section_named(std::string_view name);

// A key's value, as the plugin holds it or as it reads it from a text.
struct SettingValue {
    ValueKind kind = ValueKind::number;
    bool held = true;      // false: the plugin holds none (a class the table lacks)
    float number = 0.0f;   // number; flag: 1 on, 0 off
    int whole = 0;         // whole number, exact switch
    const char* text = "";  // text
    std::array<float, 7> list{};
    int list_size = 0;  // pair: 2, seven: 7
};

// The text of a list's fallback.
inline const char* fallback_of(const SettingKey& row) {
    return row.fallback_text != nullptr ? row.fallback_text : row.default_text;
}

// The numbers a list's text starts with, as the loader reads them: of the
// count wanted (2 or 7), how many read, and where the text after the last
// one starts (-1 unless all of them read).
struct ListNumbers {
    std::array<float, 7> numbers{};
    int read = 0;
    int used = -1;
};
ListNumbers read_list_numbers(const char* text, int count);

// What the plugin makes of a key's text: atof, atoi, the text, or the
// numbers of a list (its fallback's where the text does not hold them all).
SettingValue value_of_text(const SettingKey& row, const char* text);
// The value the plugin holds for the key; the tables are only searched.
SettingValue stored_value(const SettingName& name);
// The loader's store of a key's text where the row says.
void store_value(const SettingName& name, const char* text);
// Whether a flag or switch counts as on.
bool value_on(const SettingValue& value);

// Where a slider over a number ends, for the tuner page and the in-game menu:
// the key's range, or past the values the key has where the range is open.
struct SliderSpan {
    float low;
    float high;
};

// The span of a number key, or of each number of a list key, at a value it
// has: from the range's low (0 when it is open below) to the range's high;
// when it is open above, to the first of 1, 2, 5 and 10 times a power of ten
// at or above the largest of 2, four times the default and one and a half
// times the value (a list's default counts by its first number). A value or
// default that is not finite counts as 0.
SliderSpan slider_span(const SettingKey& row, float value);
// The tuner page's step: a power of ten at or below a thousandth of the span
// (0.001 over 0 to 1 and over 0 to 5).
float slider_step(SliderSpan span);
// The menu's step: a hundredth of the span.
float menu_step(SliderSpan span);
