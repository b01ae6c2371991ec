#pragma once
// A scenario: the world barrelburst-sim runs the plugin in, read from a TOML
// file (docs/scenarios.md describes the format; tools/sim/scenarios/ holds
// the shipped ones). Frames are the time unit throughout: 60 frames are one
// second of play.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "world.h"

namespace sim {

// Frames first to last, both included.
struct FrameRange {
    int first = 0;
    int last = 0;
};

// Whether something holds in a frame: always, never, or in some ranges.
struct FrameWindows {
    bool always = false;
    std::vector<FrameRange> ranges;
    bool at(int frame) const;
};

// When a shooter pulls the trigger. From `start` on, one shot every
// `interval` frames; with `burst` > 0 the shots come in bursts of that many,
// each burst followed by `pause` frames of silence. Nothing after `stop`
// (0: to the end of the run).
struct FiringPattern {
    int start = 1;
    int interval = 30;
    int burst = 0;
    int pause = 0;
    int stop = 0;
    bool fires(int frame) const;
};

// The weapon in hand: its kind (which of the game's weapon-type tests answer
// yes), the game's weapon name, and its condition when drawn.
struct WeaponSetup {
    std::string kind;  // pistol, revolver, repeater, rifle, sniper, shotgun, other
    std::string name;  // hashed like the game does; a name per kind by default
    float dirt = 0.0f;
    float degradation = 0.0f;
};

struct ShooterSetup {
    std::string name;
    int count = 1;    // NPC groups: this many peds alike
    int stagger = 0;  // NPC groups: each next ped starts firing this many frames later
    std::optional<WeaponSetup> weapon;  // none: unarmed
    FiringPattern firing;
    int rearm_after = 0;  // frames after losing the weapon until a new one is drawn; 0: never
    // NPCs: the ped's relationship group name (the plugin's [Base_Degradation] keys match it).
    std::string relationship;
    bool in_vehicle = false;  // NPCs: a fall knocks it off the vehicle
    // Player only.
    FrameWindows in_water;
    FrameWindows free_aiming;
    FrameWindows in_cover;
    FrameWindows crouching;
    FrameWindows combat_movement;
    // Degrees a frame the player brings the camera back toward level after a kick.
    float aim_recovery = 0.5f;
};

struct TemperaturePoint {
    int frame = 0;
    float celsius = 0.0f;
};

struct DictionarySetup {
    std::string name;
    standin::DictionaryLoad load = standin::DictionaryLoad::loaded;
    int frames = 0;  // "slow": frames after the first request
};

// Barrelburst.ini rewritten (or removed) in play, before the script's part of
// a frame, as a modder saves a change while the game runs.
struct IniChange {
    int frame = 0;
    std::filesystem::path source;      // the file it is rewritten from; empty: removed
    std::optional<std::string> text;   // its bytes, read with the scenario; none: removed
};

struct Scenario {
    std::filesystem::path file;
    std::string name;
    std::string description;
    int frames = 600;
    std::optional<std::uint32_t> seed;
    // Temperature over time, straight lines between the points (at least one).
    std::vector<TemperaturePoint> temperature{{0, 20.0f}};
    // Dictionaries not listed.
    DictionarySetup other_dictionaries;
    std::vector<DictionarySetup> dictionaries;
    int fall_recovery = 120;  // frames a ped that was thrown down does not fire
    ShooterSetup player;
    std::vector<ShooterSetup> npcs;
    std::vector<IniChange> ini_changes;  // by frame
    // Keys and controller buttons held down, in the order the file lists them.
    std::vector<standin::InputPress> presses;

    float temperature_at(int frame) const;
};

// Reads a scenario file. Throws ToolError "FILE:LINE: what" for a file that
// does not parse or that holds a key, type or value the format does not have.
Scenario load_scenario(const std::filesystem::path& file);

// The directory of the shipped scenarios (the source tree's on Linux, a
// "scenarios" folder beside the executable on Windows), and the default one's name.
std::filesystem::path shipped_scenario_dir();
inline constexpr std::string_view default_scenario_name = "warm-day-gunfight";
// A --scenario argument: an existing file, or the name of a shipped scenario
// (with or without .toml). Throws ToolError when it is neither.
std::filesystem::path resolve_scenario(const std::string& argument);
// Shipped scenarios: (name, file), sorted by name.
std::vector<std::pair<std::string, std::filesystem::path>> shipped_scenarios();

// The weapon-type answers of a weapon kind.
std::uint8_t weapon_type_bits(const std::string& kind);

}  // namespace sim
