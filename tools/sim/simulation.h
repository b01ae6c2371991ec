#pragma once
// One run of the plugin in the stand-in host: the INI copied into a scratch
// working directory (the plugin opens Barrelburst.ini by relative name), the
// default world, the plugin attached, N frames, and what happened.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sim {

struct RunOptions {
    std::filesystem::path ini;
    int frames = 600;
    std::optional<std::uint32_t> seed;  // ModRng's seed; the load-time clock seed when absent
};

struct ShooterReport {
    std::string name;
    std::int32_t ped = 0;
    std::string weapon;
    int shots_fired = 0;  // frames the world reported it as shooting
    int shots_seen = 0;   // shooting tests the plugin asked that answered yes
    bool armed = false;   // still holds its weapon at the end
    float dirt = 0.0f;
    float degradation = 0.0f;
};

struct RunReport {
    std::string ini;
    int frames = 0;
    std::uint64_t natives = 0;
    std::uint64_t waits = 0;
    std::vector<ShooterReport> shooters;
    std::size_t explosions = 0;
    std::size_t falls = 0;
    std::size_t effects = 0;
    std::size_t looped_effects = 0;
    std::size_t removed_effects = 0;
    std::size_t weapon_removals = 0;
    float barrel_heat = 0.0f;
    float barrel_cold = 0.0f;
    float camera_pitch = 0.0f;
    std::size_t pitch_sets = 0;
    std::vector<std::string> host_errors;  // broken host contract: a plugin bug
};

// Thrown for a run that cannot start (no INI, no scratch directory).
struct RunError {
    std::string message;
};

RunReport run_simulation(const RunOptions& options);
void print_report(std::ostream& out, const RunReport& report);

}  // namespace sim
