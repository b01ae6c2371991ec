#pragma once
// One run of the plugin in the stand-in host: the INI (or none) in a scratch
// working directory, the scenario's world, the plugin attached and seeded,
// frame after frame, and every shot and frame as the host's traffic showed it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/shot_eval.h"
#include "world/scenario.h"

namespace sim {

inline constexpr std::uint32_t default_seed = 1;

// One shot: the plugin's own record of it, and when its outcome played.
struct ShotRecord : ::ShotRecord {
    int frame = 0;            // the frame of the shot
    int outcome_frame = 0;    // the frame its outcome played (later when effects had to load)
    std::size_t shooter = 0;  // index into RunResult::shooters
    int weapon_shot = 0;      // this weapon's shots so far, this one included
    bool finished = true;     // false: the outcome had not played when the run ended
};

// The state at the end of one frame.
struct FrameRecord {
    int frame = 0;
    float temperature = 0.0f;
    float heat = 0.0f;
    float cold = 0.0f;
    bool heat_smoke = false;
    bool in_water = false;
    float player_dirt = 0.0f;  // the player's weapon, 0 without one
    float player_degradation = 0.0f;
    float camera_pitch = 0.0f;
    int shots = 0;
    int cracks = 0;
    int explosions = 0;
};

struct ShooterResult {
    std::string name;
    bool is_npc = false;
    std::int32_t ped = 0;
    std::string weapon_name;
    WeaponClass weapon_class = weapon_class::unknown;  // as the plugin classifies the weapon
    int weapons_drawn = 0;
    bool armed_at_end = false;
};

struct RunResult {
    std::string scenario;
    std::filesystem::path scenario_file;
    std::optional<std::filesystem::path> ini;
    int frames = 0;
    std::uint32_t seed = 0;
    std::vector<ShooterResult> shooters;
    std::vector<ShotRecord> shots;
    std::vector<FrameRecord> frame_records;

    // What the natives left in the world.
    std::size_t game_explosions = 0;
    std::size_t falls = 0;
    std::size_t effects = 0;
    std::size_t looped_effects = 0;
    std::size_t removed_effects = 0;
    std::size_t weapon_removals = 0;
    std::size_t dictionary_requests = 0;
    int frames_waiting_for_effects = 0;  // frames the script stood still waiting for a dictionary
    // The camera: how often the kick moved it, and by how much in all.
    std::size_t pitch_sets = 0;
    int kick_frames = 0;
    float camera_climb = 0.0f;
    float highest_pitch = 0.0f;
    // Notification banners the plugin started (failures of the player, reloads).
    int notifications = 0;
    // Barrelburst.ini rewritten or removed in play, and read again by the plugin.
    int ini_changes = 0;
    int settings_reloads = 0;

    std::uint64_t natives = 0;
    std::uint64_t waits = 0;
    double seconds = 0.0;
    // Where the plugin's own play log of the run was put (an INI with shot_log on).
    std::optional<std::filesystem::path> shot_log;

    std::vector<std::string> host_errors;      // broken host contract: a plugin bug
    std::vector<std::string> observer_errors;  // the plugin's records and the world disagree
};

struct RunOptions {
    Scenario scenario;
    std::optional<std::filesystem::path> ini;  // none: the plugin finds no Barrelburst.ini
    std::optional<int> frames;                 // default: the scenario's
    std::optional<std::uint32_t> seed;         // default: the scenario's, else default_seed
    bool keep_frame_records = true;
    // Where to put the play log the plugin wrote in the run, if it wrote one;
    // none: it goes with the scratch folder.
    std::optional<std::filesystem::path> shot_log_to;
    // Called when a shot's outcome is known, in the order they happen.
    std::function<void(const ShotRecord&, const RunResult&)> on_shot;
    // Called now and then with the frames done and the frames to do.
    std::function<void(int, int)> on_progress;
    // Called with the frame and a line of what happened to Barrelburst.ini.
    std::function<void(int, const std::string&)> on_note;
};

// Throws ToolError when the run cannot start (INI unreadable, no scratch directory).
RunResult run_simulation(const RunOptions& options);

}  // namespace sim
