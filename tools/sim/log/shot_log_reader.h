#pragma once
// The reader of shot logs: the plugin's own Barrelburst-shots.csv (one row per
// evaluated shot, several game starts in one file) and `run --csv`'s
// shots.csv. It finds the columns by the header's names, reads each row's
// figures as the plugin wrote them, and sums them up per session: shots,
// failures logged and expected from the recorded chances, per shooter kind
// and weapon class, the NPC weapons met, the player's barrel, how often the
// same shooter was evaluated in consecutive passes. It writes nothing: the
// `log` command and the report page print what it found.
//
// Sessions are told apart by the value of the `session` column (the time the
// game started the script). A value seen again after other sessions continues
// its own session: the rows of one game start stay together, in the order
// the file first shows them. A file without that column (shots.csv) is one
// session.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/findings.h"
#include "model/outcome_probability.h"
#include "model/shot_record.h"

namespace sim {

// 60 passes of the frame loop are taken as one second of play.
inline constexpr double log_passes_per_second = 60.0;

// Shooter kinds (Player, NPC) times the five tuned classes.
inline constexpr std::size_t log_group_count = 2 * tuned_class_count;
std::size_t log_group_of(bool is_npc, TunedClass weapon_class);
const char* log_group_class(std::size_t group);  // "pistol" ... "shotgun"
const char* log_group_kind(std::size_t group);   // "Player" or "NPC"

// One row that read, as the plugin logged it. A column the header lacks
// reads as 0 (or empty).
struct LogRow {
    std::uint32_t pass = 0;
    bool is_npc = false;
    TunedClass weapon_class = TunedClass::pistol;
    float temperature = 0.0f;
    float dirt = 0.0f;
    float game_degradation = 0.0f;
    float effective_degradation = 0.0f;
    bool base_degradation = false;
    float kick = 0.0f;
    float heat = 0.0f;
    float cold = 0.0f;
    float crack_chance = 0.0f;
    float explosion_chance = 0.0f;
    float crack_degradation_limit = 0.0f;
    float roll = 0.0f;
    ShotOutcome outcome = ShotOutcome::none;
    std::uint32_t shooter = 0;      // the ped handle, or a number for each shooter name
    std::uint64_t weapon = 0;       // the weapon hash, or the weapon object
    // The draws and the question of the shot, and the dirt and degradation
    // it wrote on the weapon; each is empty when the shot had none or the
    // log lacks its column. A row of a log with all five replays.
    bool replayable = false;
    std::optional<float> firing_dirt;
    std::optional<float> crack_wear;
    std::optional<GameHash> base_degradation_key;
    std::optional<float> dirt_written;
    std::optional<float> degradation_written;
};

// How likely the row's shot was to crack and to explode, from its recorded
// chances and the plugin's own outcome rule over every roll it can draw.
OutcomeProbabilities expected_outcomes(const LogRow& row);

// Shots, and their failures as logged and as expected.
struct FailureCounts {
    std::int64_t shots = 0;
    std::int64_t cracks = 0;
    std::int64_t explosions = 0;
    double expected_cracks = 0.0;
    double expected_explosions = 0.0;
    void add(const FailureCounts& other);
};

struct LogGroupFigures : FailureCounts {
    // Whole seconds (pass / 60) in which a weapon of the group fired, summed
    // over its weapons.
    std::int64_t firing_seconds = 0;
    // Shots evaluated in the pass right after the same shooter's previous shot.
    std::int64_t next_pass_shots = 0;
    double shots_per_second_of_firing() const;
    double next_pass_share() const;
};

// Values in [0, 1] in ten bins of 0.1 (1 in the last), then one bin for
// values outside (NaN among them).
inline constexpr std::size_t spread_bins = 11;
struct ValueSpread {
    std::size_t count = 0;   // values in [0, 1]; the quartiles are of these
    double min = 0.0;
    double q25 = 0.0;
    double median = 0.0;
    double q75 = 0.0;
    double max = 0.0;
    std::array<std::int64_t, spread_bins> bins{};
};

// The NPC weapons met in a session (shooter and weapon), each with the dirt
// and degradation of its first shot in the session.
struct NpcWeapons {
    std::int64_t count = 0;
    ValueSpread dirt;
    ValueSpread degradation;
};

struct LogPeak {
    float value = 0.0f;
    std::uint32_t pass = 0;
};

// Failures over a session in at most curve_buckets buckets of equal passes.
inline constexpr std::size_t curve_buckets = 200;
struct FailureCurve {
    std::uint64_t passes_per_bucket = 60;
    std::vector<FailureCounts> buckets;  // bucket i: passes [i, i + 1) x passes_per_bucket
};

// Its shots, failures and expected failures in all.
struct LogSession : FailureCounts {
    std::string session;  // empty when the file has no session column
    std::uint32_t first_pass = 0;
    std::uint32_t last_pass = 0;
    std::int64_t player_shots = 0;
    std::array<LogGroupFigures, log_group_count> groups{};
    NpcWeapons npc_weapons;
    std::optional<LogPeak> player_peak_heat;  // none: no player shot
    std::optional<LogPeak> player_peak_cold;
    FailureCurve curve;
    // The last pass at 60 passes a second.
    double minutes() const { return static_cast<double>(last_pass) / (log_passes_per_second * 60.0); }
};

struct ShotLog {
    std::string file;
    std::vector<LogSession> sessions;  // in the order the file first shows them
    std::vector<Finding> findings;     // by line; then the verdicts, which are about no line
    std::int64_t rows = 0;             // rows that read
    std::int64_t skipped_rows = 0;     // rows that did not (partial rows among them)
    std::int64_t lines = 0;
};

// Called for every row that reads, with the index of its session.
using LogRowSink = std::function<void(std::size_t session, const LogRow& row)>;

// The log in the bytes of a file; file names it in the findings.
ShotLog read_shot_log_text(std::string_view text, const std::string& file, const LogRowSink& sink = {});

// The classes whose shots so often follow the same shooter's shot in the next
// pass that the shooting flag must stay true for several passes per shot.
inline constexpr std::int64_t next_pass_min_shots = 20;
inline constexpr double next_pass_warning_share = 0.25;

}  // namespace sim
