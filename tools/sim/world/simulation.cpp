#include "world/simulation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <unordered_map>

#include "common/rng.h"
#include "shared/tool_error.h"
#include "config/settings.h"
#include "host.h"
#include "model/shot_log.h"
#include "model/weapon_class.h"
#include "plugin_session.h"
#include "plugin_state.h"
#include "world/observer.h"
#include "shared/platform.h"
#include "shared/scratch_working_directory.h"
#include "world/world_driver.h"

namespace sim {

namespace {

// The plugin's own classification of each weapon, asked on the stand-in host
// in a world that knows the scenario's weapons, before the run.
std::unordered_map<GameHash, WeaponClass> classify_weapons(const Scenario& scenario, RunResult& result) {
    standin::Host& host = standin::Host::get();
    host.reset();
    host.recording = false;
    const WorldDriver driver(scenario, host.world());
    const std::vector<GameHash> hashes = driver.weapon_hashes();
    std::unordered_map<GameHash, WeaponClass> classes;
    host.run_script_body([&] {
        for (const GameHash hash : hashes) classes[hash] = classify_weapon(hash);
    });
    for (const std::string& e : host.errors()) result.host_errors.push_back("classifying the weapons: " + e);
    return classes;
}

void check_ini(const std::filesystem::path& ini) {
    std::error_code error;
    if (!std::filesystem::exists(ini, error)) {
        throw ToolError("cannot read INI file '" + utf8_of(ini) + "': No such file or directory");
    }
    if (!std::filesystem::is_regular_file(ini, error)) {
        throw ToolError("cannot read INI file '" + utf8_of(ini) + "': not a regular file");
    }
}

constexpr int progress_every = 500;

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

// The plugin's play log, written into the working directory when it was
// unloaded, moved to where the modder wants it (over an older one).
std::optional<std::filesystem::path> keep_shot_log(const std::filesystem::path& to) {
    const std::filesystem::path written = shot_log_file_name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(written, error)) return std::nullopt;
    if (to.has_parent_path()) std::filesystem::create_directories(to.parent_path(), error);
    std::filesystem::rename(written, to, error);
    if (error) {
        // Another file system: copied instead.
        error.clear();
        std::filesystem::copy_file(written, to, std::filesystem::copy_options::overwrite_existing, error);
        if (error) throw ToolError("cannot write the play log '" + utf8_of(to) + "': " + error.message());
    }
    return to;
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
        r.ped = s.ped;
        r.weapon_name = s.weapon_name;
        const auto found = classes.find(s.weapon_hash);
        if (found != classes.end()) r.weapon_class = found->second;
        shooters.push_back(r);
    }
    return shooters;
}

// The frames of the run: before each frame's script, the scenario's changes
// of Barrelburst.ini and the world's state; after it, the observer.
void play_frames(const RunOptions& options, standin::PluginSession& session, WorldDriver& driver,
                 RunResult& result) {
    const Scenario& scenario = options.scenario;
    standin::World& world = session.world();
    ShotObserver observer(world, driver, result, options.keep_frame_records, [&](const ShotRecord& shot) {
        if (options.on_shot) options.on_shot(shot, result);
    });
    observer.on_reload = [&](int frame) {
        ++result.settings_reloads;
        if (options.on_note) options.on_note(frame, "the plugin read Barrelburst.ini again");
    };
    const std::filesystem::file_time_type ini_written = std::filesystem::file_time_type::clock::now();
    std::size_t next_change = 0;
    world.on_frame = [&](standin::World& w, int frame) {
        if (frame > 1) observer.end_frame(frame - 1);
        for (; next_change < scenario.ini_changes.size() && scenario.ini_changes[next_change].frame == frame;
             ++next_change) {
            ++result.ini_changes;
            const std::string note = apply_ini_change(scenario.ini_changes[next_change], ini_written);
            if (options.on_note) options.on_note(frame, note);
        }
        driver.begin_frame(w, frame);
    };
    if (options.keep_frame_records) result.frame_records.reserve(static_cast<std::size_t>(result.frames));

    mod_rng.seed(result.seed);
    for (int done = 0; done < result.frames;) {
        const int step = std::min(progress_every, result.frames - done);
        session.run_frames(step);
        done += step;
        if (options.on_progress) options.on_progress(done, result.frames);
    }
    observer.end_frame(result.frames);
    observer.finish(result.frames);
    // The plugin's console line, if any, comes before the report.
    std::fflush(stdout);
    world.on_frame = nullptr;
}

// What the natives left in the world at the end, and the host's traffic.
void take_world_records(standin::PluginSession& session, const WorldDriver& driver, RunResult& result) {
    standin::World& world = session.world();
    for (std::size_t i = 0; i < driver.shooters().size(); ++i) {
        result.shooters[i].weapons_drawn = driver.shooters()[i].weapons_drawn;
        result.shooters[i].armed_at_end = world.ped(driver.shooters()[i].ped).has_weapon;
    }
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
    result.natives = session.host().native_count();
    result.waits = session.host().wait_count();
}

}  // namespace

RunResult run_simulation(const RunOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    std::optional<std::filesystem::path> ini;
    if (options.ini) {
        check_ini(*options.ini);
        ini = std::filesystem::absolute(*options.ini);
    }
    // The run works in a scratch folder: a relative place for the log means the modder's.
    std::optional<std::filesystem::path> shot_log_to;
    if (options.shot_log_to) shot_log_to = std::filesystem::absolute(*options.shot_log_to);
    const Scenario& scenario = options.scenario;

    RunResult result;
    result.scenario = scenario.name;
    result.scenario_file = scenario.file;
    result.ini = options.ini;
    result.frames = options.frames.value_or(scenario.frames);
    result.seed = options.seed.value_or(scenario.seed.value_or(default_seed));

    standin::reset_plugin_globals();
    const std::unordered_map<GameHash, WeaponClass> classes = classify_weapons(scenario, result);

    ScratchWorkingDirectory scratch(ini);
    {
        standin::PluginSession session;
        session.host().recording = false;
        WorldDriver driver(scenario, session.world());
        result.shooters = shooter_results(driver, classes);
        play_frames(options, session, driver, result);
        take_world_records(session, driver, result);
        session.detach();
        for (const std::string& e : session.host().errors()) result.host_errors.push_back(e);
        if (shot_log_to) result.shot_log = keep_shot_log(*shot_log_to);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

}  // namespace sim
