#pragma once
// Every key of Barrelburst.ini, described once: its section and name (or the
// pattern of names of a per-class or per-shooter key), the kind of its value,
// the default text, where the value makes sense, what it means, and where the
// plugin stores it. load_settings reads the file through this table; the
// tools list, check and document the file from it.

#include <array>
#include <limits>
#include <map>
#include <span>
#include <string>
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
};

// Every key, in the order the loader reads them.
extern const std::span<const SettingKey> settings_table;

// The sections the plugin reads, in the order the shipped file has them.
inline constexpr std::array<const char*, 13> settings_sections = {
    "Main",          "VFX_Effects",         "Recoil",
    "RecoilModifiers", "Heat",              "Player",
    "NPC",           "Dirt_Increase",       "Min_Dirt_To_Explode",
    "Min_Degradation_To_Explode", "Expo_Chance", "Expo_Type",
    "Base_Degradation"};

// One key of the file that a row stands for.
struct SettingName {
    const SettingKey* row;
    const char* instance;  // the class or shooter kind; nullptr for a single key
    std::string section;
    std::string key;
};

// Every key a row stands for, in the order the loader reads them (a
// per-class or per-shooter row gives one name per class or kind; an any_key
// row gives none).
std::vector<SettingName> names_of(const SettingKey& row);
// Every named key of the table, in the order the loader reads them.
std::vector<SettingName> all_setting_names();

// The text of a list's fallback.
inline const char* fallback_of(const SettingKey& row) {
    return row.fallback_text != nullptr ? row.fallback_text : row.default_text;
}

// Reads a pair or seven numbers as the loader does; false when the text does
// not hold them all (the loader then takes the fallback).
bool scan_pair(const char* text, RecoilRange& pair);
bool scan_seven(const char* text, RecoilModifiers& numbers);

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
