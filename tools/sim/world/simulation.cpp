#include "world/simulation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unordered_map>

#include "common/rng.h"
#include "shared/tool_error.h"
#include "config/settings.h"
#include "model/shot_log.h"
#include "model/weapon_class.h"
#include "host/plugin_state.h"
#include "world/observer.h"
#include "shared/files.h"
#include "shared/platform.h"
#include "shared/scratch_working_directory.h"
#include "world/world_driver.h"

namespace sim {

namespace {

// The plugin's own classification of each weapon, asked on the stand-in host
// in a world that knows the scenario's weapons, before the run.
std::unordered_map<GameHash, WeaponClass> classify_weapons(const Scenario& scenario, PluginRunner& runner,
                                                           RunResult& result) {
    std::unordered_map<GameHash, WeaponClass> classes;
    runner.run_body([&] {
        const WorldDriver driver(scenario, runner.world());
        for (const GameHash hash : driver.weapon_hashes()) classes[hash] = classify_weapon(hash);
    });
    for (const std::string& e : runner.errors()) result.host_errors.push_back("classifying the weapons: " + e);
    return classes;
}

// Barrelburst.ini in the working directory rewritten (or removed) as an
// editor saves it, with a last-write time of its own: seconds after the run's
// start by the frame, so that two saves never share one.
std::string apply_ini_change(const IniChange& change, std::filesystem::file_time_type started) {
    const std::filesystem::path file = settings_file_name;
    std::error_code error;
    if (!change.text) {
        std::filesystem::remove(file, error);
        return error ? "Barrelburst.ini could not be removed: " + error.message() : "Barrelburst.ini removed";
    }
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << *change.text;
        if (!out) return "Barrelburst.ini could not be written from " + utf8_of(change.source.filename());
    }
    std::filesystem::last_write_time(file, started + std::chrono::seconds(change.frame), error);
    return "Barrelburst.ini rewritten from " + utf8_of(change.source.filename());
}

// A file the plugin wrote into the working directory, moved to where the
// modder wants it (over an older one).
std::filesystem::path move_out(const std::filesystem::path& written, const std::filesystem::path& to,
                               const std::string& what) {
    std::error_code error;
    if (to.has_parent_path()) std::filesystem::create_directories(to.parent_path(), error);
    std::filesystem::rename(written, to, error);
    if (error) {
        // Another file system: copied instead.
        error.clear();
        std::filesystem::copy_file(written, to, std::filesystem::copy_options::overwrite_existing, error);
        if (error) throw ToolError("cannot write " + what + " '" + utf8_of(to) + "': " + error.message());
    }
    return to;
}

// The plugin's play log, written into the working directory when it was unloaded.
std::optional<std::filesystem::path> keep_shot_log(const std::filesystem::path& to) {
    const std::filesystem::path written = shot_log_file_name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(written, error)) return std::nullopt;
    return move_out(written, to, "the play log");
}

// Barrelburst.ini in the working directory as it stands: its bytes and its
// last-write time; none without the file (or one that does not read). Read
// between frames too, so it never throws.
struct IniOnDisk {
    std::string bytes;
    std::filesystem::file_time_type written;
    bool operator==(const IniOnDisk&) const = default;
};

std::optional<IniOnDisk> ini_on_disk() {
    const std::filesystem::path file = settings_file_name;
    std::error_code error;
    IniOnDisk ini;
    ini.written = std::filesystem::last_write_time(file, error);
    if (error || !std::filesystem::is_regular_file(file, error)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    ini.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return ini;
}

// Barrelburst.ini, when the plugin saved it in the run: it is not as the run left it.
std::optional<std::filesystem::path> keep_saved_ini(const std::optional<IniOnDisk>& left,
                                                    const std::filesystem::path& to) {
    const std::optional<IniOnDisk> now = ini_on_disk();
    if (!now || now == left) return std::nullopt;
    return move_out(settings_file_name, to, "the saved INI");
}

// The scenario's shooters as the result lists them, with the plugin's class
// of each one's weapon.
std::vector<ShooterResult> shooter_results(const WorldDriver& driver,
                                           const std::unordered_map<GameHash, WeaponClass>& classes) {
    std::vector<ShooterResult> shooters;
    for (const Shooter& s : driver.shooters()) {
        ShooterResult r;
        r.name = s.name;
        r.is_npc = s.is_npc;
        const auto found = classes.find(s.weapon_hash);
        if (found != classes.end()) r.weapon_class = found->second;
        shooters.push_back(r);
    }
    return shooters;
}

// What the natives left in the world at the end, and the host's traffic.
void take_world_records(PluginRunner& runner, RunResult& result) {
    const standin::World& world = runner.world();
    result.game_explosions = world.explosions.size();
    result.falls = world.falls.size();
    result.effects = world.effects.size();
    for (const standin::EffectStart& e : world.effects) {
        if (e.looped) ++result.looped_effects;
    }
    result.removed_effects = world.removed_effects.size();
    result.weapon_removals = world.removals.size();
    for (const auto& [hash, dictionary] : world.ptfx_dictionaries) {
        result.dictionary_requests += static_cast<std::size_t>(dictionary.requests);
    }
    for (const standin::TextureDictionary& dictionary : world.texture_dictionaries) {
        result.notifications += dictionary.queries;
    }
    result.frames_waiting_for_effects = static_cast<int>(world.ptfx_unloaded_frames.size());
    int last_kick_frame = 0;
    for (const standin::PitchSet& set : world.pitch_sets) {
        result.camera_climb += set.pitch - set.from;
        result.highest_pitch = std::max(result.highest_pitch, set.pitch);
        if (set.frame != last_kick_frame) ++result.kick_frames;
        last_kick_frame = set.frame;
    }
    result.pitch_sets = world.pitch_sets.size();
    result.natives = runner.natives();
    result.waits = runner.waits();
}

}  // namespace

void check_screen_frame(int frame, int frames) {
    if (frame >= 1 && frame <= frames) return;
    throw ToolError("--screen " + std::to_string(frame) + " is not a frame of the run: it plays frames 1 to " +
                    std::to_string(frames));
}

// What a run holds while it goes: the scratch folder, the world's driver and
// the observer, and where the scenario's changes of Barrelburst.ini stand.
struct SimulationRun::Parts {
    std::optional<std::filesystem::path> shot_log_to;
    std::optional<std::filesystem::path> saved_ini_to;
    // Barrelburst.ini as the run last left it, to tell a save of the plugin's from it.
    std::optional<IniOnDisk> ini_left;
    std::optional<ScratchWorkingDirectory> scratch;
    std::optional<WorldDriver> driver;
    std::optional<ShotObserver> observer;
    std::filesystem::file_time_type ini_written = std::filesystem::file_time_type::clock::now();
    std::size_t next_change = 0;
};

SimulationRun::SimulationRun(const RunOptions& options, PluginRunner& runner)
    : options_(options), runner_(runner), parts_(std::make_unique<Parts>()) {
    std::optional<std::filesystem::path> ini;
    if (options.ini) {
        check_ini_file(*options.ini);
        ini = std::filesystem::absolute(*options.ini);
    }
    // The run works in a scratch folder: a relative place for the log means the modder's.
    if (options.shot_log_to) parts_->shot_log_to = std::filesystem::absolute(*options.shot_log_to);
    if (options.saved_ini_to) parts_->saved_ini_to = std::filesystem::absolute(*options.saved_ini_to);
    const Scenario& scenario = options.scenario;
    result_.scenario = scenario.name;
    result_.ini = options.ini;
    result_.frames = options.frames.value_or(scenario.frames);
    result_.seed = options.seed.value_or(scenario.seed.value_or(default_seed));
    if (options.screen_frame) check_screen_frame(*options.screen_frame, result_.frames);

    reset_plugin_state();
    const std::unordered_map<GameHash, WeaponClass> classes = classify_weapons(scenario, runner, result_);
    parts_->scratch.emplace(ini);
    parts_->ini_left = ini_on_disk();
    runner.attach(result_.frames);
    standin::World& world = runner.world();
    parts_->driver.emplace(scenario, world);
    result_.shooters = shooter_results(*parts_->driver, classes);

    // Before each frame's script, the scenario's changes of Barrelburst.ini
    // and the world's state; after it, the observer.
    ShotObserver& observer = parts_->observer.emplace(
        world, *parts_->driver, result_, options.keep_frame_records, options.keep_texts, [this](const ShotRecord& shot) {
            if (options_.on_shot) options_.on_shot(shot, result_);
        });
    observer.on_reload = [this](int frame) {
        ++result_.settings_reloads;
        if (options_.on_note) options_.on_note(frame, "the plugin read Barrelburst.ini again");
    };
    world.on_frame = [this](standin::World& w, int frame) {
        if (frame > 1) parts_->observer->end_frame(frame - 1);
        const std::vector<IniChange>& changes = options_.scenario.ini_changes;
        for (; parts_->next_change < changes.size() && changes[parts_->next_change].frame == frame;
             ++parts_->next_change) {
            ++result_.ini_changes;
            const std::string note = apply_ini_change(changes[parts_->next_change], parts_->ini_written);
            parts_->ini_left = ini_on_disk();
            if (options_.on_note) options_.on_note(frame, note);
        }
        parts_->driver->begin_frame(w, frame);
    };
    if (options.keep_frame_records) result_.frame_records.reserve(static_cast<std::size_t>(result_.frames));
    mod_rng.seed(result_.seed);
}

SimulationRun::~SimulationRun() {
    if (parts_->observer) runner_.world().on_frame = nullptr;
}

bool SimulationRun::run_to(int frame) {
    const int last = result_.frames;
    const int to = std::min(frame, last);
    // The screen frame's draws, before the next frame clears them.
    const std::optional<int>& screen = options_.screen_frame;
    if (screen && !result_.screen && runner_.frame() < *screen && *screen <= to) {
        runner_.run_to(*screen);
        const standin::World& world = runner_.world();
        result_.screen = FrameDraws{runner_.frame(), world.sprites, world.texts};
    }
    if (runner_.frame() < to) runner_.run_to(to);
    return runner_.frame() < last;
}

RunResult SimulationRun::finish() {
    parts_->observer->end_frame(result_.frames);
    parts_->observer->finish(result_.frames);
    // The plugin's console line, if any, comes before the report.
    std::fflush(stdout);
    runner_.world().on_frame = nullptr;
    take_world_records(runner_, result_);
    runner_.detach();
    for (const std::string& e : runner_.errors()) result_.host_errors.push_back(e);
    if (parts_->shot_log_to) result_.shot_log = keep_shot_log(*parts_->shot_log_to);
    if (parts_->saved_ini_to) result_.saved_ini = keep_saved_ini(parts_->ini_left, *parts_->saved_ini_to);
    parts_->scratch.reset();
    parts_->observer.reset();
    return std::move(result_);
}

}  // namespace sim
