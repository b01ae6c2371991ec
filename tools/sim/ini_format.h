#pragma once
// The format of Barrelburst.ini as the plugin reads it: every section and
// key, the kind of its value, its default text, and where the plugin keeps
// the value it made of it. `check` uses it to say where each effective value
// came from and to flag what the plugin would ignore or read oddly.

#include <functional>
#include <string>
#include <vector>

namespace sim {

enum class ValueKind {
    real,       // atof
    flag,       // atoi != 0
    integer,    // atoi
    text,       // the text as it stands (an effect or dictionary name)
    pair,       // "%f,%f", else the fallback
    seven,      // "%f,%f,%f,%f,%f,%f,%f", else seven times 1.0
    base_pair,  // a [Base_Degradation] entry: "%f,%f", else (0, 0)
};

struct KnownKey {
    std::string section;
    std::string key;
    ValueKind kind;
    std::string default_text;
    // Switches of [Player] and [NPC]: on only when exactly 1.
    bool switch_of_shooter = false;
    // The value the plugin holds after load_settings(), as text.
    std::function<std::string()> effective;
};

// Every key the plugin reads, in the order it reads them ([Base_Degradation]
// takes any key and is not listed).
const std::vector<KnownKey>& known_keys();
// Every section the plugin reads, [Base_Degradation] included.
const std::vector<std::string>& known_sections();
inline constexpr const char* base_degradation_section = "Base_Degradation";

// The list fallbacks, for the messages.
inline constexpr const char* recoil_fallback = "1.0,2.0";
inline constexpr const char* modifiers_fallback = "1.0,1.0,1.0,1.0,1.0,1.0,1.0";

// Names compared as the reader compares them: ASCII letters without case.
bool same_name(const std::string& a, const std::string& b);
std::string lower(std::string text);
// Edits (insert, delete, replace) from a to b, without case.
std::size_t edit_distance(const std::string& a, const std::string& b);

}  // namespace sim
