#pragma once
// One run of the plugin in the stand-in host: the INI (or none) in a scratch
// working directory, the scenario's world, the plugin attached and seeded,
// frame after frame, and every shot and frame as the host's traffic showed it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/shot_eval.h"
#include "world.h"
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

// One text the plugin drew: the frame, where (its top left, or its top middle
// when centred, in fractions of the screen), its scale and the text.
struct TextRecord {
    int frame = 0;
    float x = 0.0f;
    float y = 0.0f;
    float scale = 0.0f;
    bool centred = false;
    std::string text;
};

// What the plugin drew on the screen in one frame, as the world recorded it
// after the script's pass of that frame (run --screen).
struct FrameDraws {
    int frame = 0;
    std::vector<standin::DrawnSprite> sprites;
    std::vector<standin::DrawnText> texts;
};

struct ShooterResult {
    std::string name;
    bool is_npc = false;
    WeaponClass weapon_class = weapon_class::unknown;  // as the plugin classifies the weapon
};

struct RunResult {
    std::string scenario;
    std::optional<std::filesystem::path> ini;
    int frames = 0;
    std::uint32_t seed = 0;
    std::vector<ShooterResult> shooters;
    std::vector<ShotRecord> shots;
    std::vector<FrameRecord> frame_records;
    std::vector<TextRecord> texts;  // with RunOptions::keep_texts

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
    // Where the plugin's own play log of the run was put (an INI with shot_log on).
    std::optional<std::filesystem::path> shot_log;
    // Where the Barrelburst.ini the plugin saved in the run was put (its menu saves it).
    std::optional<std::filesystem::path> saved_ini;
    // The draws of RunOptions::screen_frame.
    std::optional<FrameDraws> screen;

    std::vector<std::string> host_errors;      // broken host contract: a plugin bug
    std::vector<std::string> observer_errors;  // the plugin's records and the world disagree
};

struct RunOptions {
    Scenario scenario;
    std::optional<std::filesystem::path> ini;  // none: the plugin finds no Barrelburst.ini
    std::optional<int> frames;                 // default: the scenario's
    std::optional<std::uint32_t> seed;         // default: the scenario's, else default_seed
    bool keep_frame_records = true;
    bool keep_texts = false;  // every text the plugin drew
    // Where to put the play log the plugin wrote in the run, if it wrote one;
    // none: it goes with the scratch folder.
    std::optional<std::filesystem::path> shot_log_to;
    // Where to put Barrelburst.ini if the plugin wrote it in the run: its
    // bytes or its last-write time are not those the run (the INI given, the
    // scenario's ini_changes) left there; none: it goes with the scratch folder.
    std::optional<std::filesystem::path> saved_ini_to;
    // The frame whose draws to keep in RunResult::screen, 1 to the run's last.
    std::optional<int> screen_frame;
    // Called when a shot's outcome is known, in the order they happen.
    std::function<void(const ShotRecord&, const RunResult&)> on_shot;
    // Called now and then with the frames done and the frames to do.
    std::function<void(int, int)> on_progress;
    // Called with the frame and a line of what happened to Barrelburst.ini.
    std::function<void(int, const std::string&)> on_note;
};

// Throws ToolError unless the frame is one of the run's frames, 1 to frames.
void check_screen_frame(int frame, int frames);

// The plugin in a stand-in host, as a run drives it: the host with a script
// fiber natively (fiber_runner.cpp), the one without in the browser.
class PluginRunner {
public:
    virtual ~PluginRunner() = default;
    virtual standin::World& world() = 0;
    // A new world, and the body run as the script would run it.
    virtual void run_body(const std::function<void()>& body) = 0;
    // A new world and the plugin attached (DllMain, process attach), for a
    // run of that many frames.
    virtual void attach(int frames) = 0;
    // Frames up to the given one; a host without a fiber may run on to the
    // end of the frame loop's pass, and stops at the run's last frame.
    virtual void run_to(int frame) = 0;
    virtual int frame() const = 0;
    // DllMain, process detach; then what broke the host's contract.
    virtual void detach() = 0;
    virtual std::vector<std::string> errors() const = 0;
    virtual std::uint64_t natives() const = 0;
    virtual std::uint64_t waits() const = 0;
};

// One run, frame after frame: the scenario's world, the INI in a scratch
// working directory, the plugin seeded and run, every shot observed.
// Throws ToolError when the run cannot start (INI unreadable, no scratch directory).
class SimulationRun {
public:
    SimulationRun(const RunOptions& options, PluginRunner& runner);
    ~SimulationRun();
    SimulationRun(const SimulationRun&) = delete;
    SimulationRun& operator=(const SimulationRun&) = delete;
    // Runs on up to the given frame (at most the run's last); false once the
    // last has run.
    bool run_to(int frame);
    int frame() const { return runner_.frame(); }
    const RunResult& result() const { return result_; }
    // After the last frame: the world's records, the plugin detached, its play log kept.
    RunResult finish();

private:
    struct Parts;
    const RunOptions& options_;
    PluginRunner& runner_;
    RunResult result_;
    std::unique_ptr<Parts> parts_;
};

// The whole run in the host with a script fiber. Throws as SimulationRun.
RunResult run_simulation(const RunOptions& options);

}  // namespace sim
