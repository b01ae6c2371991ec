#include "simulation.h"

#include <unistd.h>

#include <cstdio>
#include <iomanip>
#include <map>
#include <random>
#include <system_error>

#include "common/rng.h"
#include "default_world.h"
#include "host.h"
#include "model/barrel.h"
#include "plugin_session.h"

namespace sim {

namespace {

constexpr std::uint64_t is_ped_shooting = 0x34616828CD07F1A1;

// A fresh directory holding the INI as Barrelburst.ini, the working directory
// while it lives.
class ScratchWorkingDirectory {
public:
    explicit ScratchWorkingDirectory(const std::filesystem::path& ini) {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        if (error) throw RunError{"cannot read the working directory: " + error.message()};
        std::random_device entropy;
        path_ = std::filesystem::temp_directory_path(error) /
                ("barrelburst-sim-" + std::to_string(getpid()) + "-" + std::to_string(entropy()));
        if (error || !std::filesystem::create_directories(path_, error) || error) {
            throw RunError{"cannot create a scratch directory " + path_.string()};
        }
        std::filesystem::copy_file(ini, path_ / "Barrelburst.ini", error);
        if (error) {
            remove();
            throw RunError{"cannot copy INI file '" + ini.string() + "': " + error.message()};
        }
        std::filesystem::current_path(path_, error);
        if (error) {
            remove();
            throw RunError{"cannot enter the scratch directory " + path_.string()};
        }
    }
    ~ScratchWorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        remove();
    }
    ScratchWorkingDirectory(const ScratchWorkingDirectory&) = delete;
    ScratchWorkingDirectory& operator=(const ScratchWorkingDirectory&) = delete;

private:
    void remove() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// Shooting tests that answered yes, by ped.
std::map<std::int64_t, int> shots_seen_by_ped(const standin::Host& host) {
    std::map<std::int64_t, int> seen;
    for (const standin::Call* call : host.calls_of(is_ped_shooting)) {
        if (!call->args.empty() && call->result.i != 0) ++seen[call->args[0].i];
    }
    return seen;
}

void check_ini(const std::filesystem::path& ini) {
    std::error_code error;
    if (!std::filesystem::exists(ini, error)) throw RunError{"INI file '" + ini.string() + "' does not exist"};
    if (!std::filesystem::is_regular_file(ini, error)) {
        throw RunError{"INI file '" + ini.string() + "' is not a regular file"};
    }
}

}  // namespace

RunReport run_simulation(const RunOptions& options) {
    check_ini(options.ini);
    const std::filesystem::path ini = std::filesystem::absolute(options.ini);
    ScratchWorkingDirectory scratch(ini);

    if (options.seed) mod_rng.seed(*options.seed);

    standin::PluginSession session;
    standin::World& world = session.world();
    const Shooters shooters = build_default_world(world);
    session.run_frames(options.frames);
    // The plugin's output arrives before the report.
    std::fflush(stdout);

    RunReport report;
    report.ini = options.ini.string();
    report.frames = options.frames;
    report.natives = session.host().native_count();
    report.waits = session.host().wait_count();
    const std::map<std::int64_t, int> seen = shots_seen_by_ped(session.host());
    for (const Shooter& s : *shooters) {
        ShooterReport r;
        r.name = s.name;
        r.ped = s.ped;
        r.weapon = s.weapon;
        r.shots_fired = s.shots_fired;
        const auto it = seen.find(s.ped);
        r.shots_seen = it == seen.end() ? 0 : it->second;
        r.armed = world.ped(s.ped).has_weapon;
        if (r.armed) {
            r.dirt = world.weapon_of(s.ped).dirt;
            r.degradation = world.weapon_of(s.ped).degradation;
        }
        report.shooters.push_back(r);
    }
    report.explosions = world.explosions.size();
    report.falls = world.falls.size();
    report.effects = world.effects.size();
    for (const standin::EffectStart& e : world.effects) {
        if (e.looped) ++report.looped_effects;
    }
    report.removed_effects = world.removed_effects.size();
    report.weapon_removals = world.removals.size();
    report.barrel_heat = barrel_heat;
    report.barrel_cold = barrel_cold;
    report.camera_pitch = world.camera_pitch;
    report.pitch_sets = world.pitch_sets.size();

    session.detach();
    report.host_errors = session.host().errors();
    return report;
}

void print_report(std::ostream& out, const RunReport& report) {
    out << std::fixed << std::setprecision(4);
    out << "barrelburst-sim: " << report.frames << " frames with " << report.ini << "\n";
    out << "  natives invoked   " << report.natives << "\n";
    out << "  waits             " << report.waits << "\n";
    out << "  shots (fired by the world / seen by the plugin), weapon condition at the end:\n";
    for (const ShooterReport& s : report.shooters) {
        out << "    " << std::left << std::setw(11) << s.name << std::right << " ped " << s.ped << "  "
            << std::left << std::setw(26) << s.weapon << std::right << std::setw(4) << s.shots_fired << " / "
            << std::setw(4) << s.shots_seen;
        if (s.armed) {
            out << "  dirt " << s.dirt << "  degradation " << s.degradation << "\n";
        } else {
            out << "  weapon gone\n";
        }
    }
    out << "  explosions        " << report.explosions << "\n";
    out << "  falls             " << report.falls << "\n";
    out << "  effects started   " << report.effects << " (looped " << report.looped_effects << ", removed "
        << report.removed_effects << ")\n";
    out << "  weapons removed   " << report.weapon_removals << "\n";
    out << "  barrel heat       " << report.barrel_heat << "\n";
    out << "  barrel cold       " << report.barrel_cold << "\n";
    out << "  camera pitch      " << report.camera_pitch << " (set " << report.pitch_sets << " times)\n";
    if (!report.host_errors.empty()) {
        out << "  host contract errors: " << report.host_errors.size() << "\n";
        for (const std::string& e : report.host_errors) out << "    " << e << "\n";
    }
}

}  // namespace sim
