#pragma once
// A play log replayed under another INI: each logged shot goes through the
// plugin's own decisions again (decide_shot), in the log's order, session by
// session; what is decided again and what is held as the game did it, the
// tools say in the two texts below.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "log/shot_log_reader.h"
#include "model/shot_record.h"
#include "model/shot_replay.h"

namespace sim {

// What the replay decides again and what it holds, as the tools say it
// wherever a replay is shown.
inline constexpr const char* replay_decided_text =
    "Every shot goes through the plugin's own decisions under this INI, in the log's order: the scan's gates, the "
    "NPC base wear from [Base_Degradation], the firing dirt with the class's modifier and the shooter's switch, the "
    "chances, the crack limit, the outcome and the crack's lift of dirt and wear. A gun that explodes is gone: its "
    "later shots are dropped, as shots it would not have fired. A draw the log lacks is drawn from the row, the same "
    "every time.";
inline constexpr const char* replay_held_text =
    "Held as the game did it: who shot when, with which weapon, in what weather, with which roll; the barrel heat "
    "and cold (they depend on the INI only through the recoil range's draw; with the player's scan off they stay at "
    "0); the washes in water the player's dirt shows, washed again from the replayed dirt; the camera kick (it also "
    "depends on the player's stance, which the log does not keep); and whatever else the game did to a weapon "
    "between two of its shots, such as cleaning it: such a shot opens as logged. Rows of a log that does not say "
    "what each shot wrote (without dirt_written and degradation_written) keep their dirt and wear as logged.";

// A log's shots, read once and replayed under any INI (model/shot_replay.h):
// each row as the record of the shot the plugin logged it from.
class LoggedShots {
public:
    void reserve(std::size_t rows);
    void add(std::size_t session, const LogRow& row);
    // After the last row. session_names: the log's session values.
    void finish(std::vector<std::string> session_names);

    std::size_t size() const { return shots_.size(); }
    const ShotRecord& shot(std::size_t i) const { return shots_[i]; }
    std::uint64_t session(std::size_t i) const { return keys_[sessions_[i]]; }
    bool replayable(std::size_t i) const { return replayable_[i] != 0; }
    std::uint32_t session_index(std::size_t i) const { return sessions_[i]; }
    TunedClass weapon_class(std::size_t i) const { return classes_[i]; }
    const std::vector<std::string>& session_names() const { return session_names_; }
    // The shots linked to their weapons and shooters, at finish().
    std::span<const ReplayLink> links() const { return links_; }
    std::span<const ReplayShooter> shooters() const { return shooters_; }
    std::uint32_t weapon_count() const { return linked_.weapons; }

private:
    std::vector<ShotRecord> shots_;
    std::vector<std::uint32_t> sessions_;
    std::vector<TunedClass> classes_;
    std::vector<char> replayable_;
    std::vector<std::string> session_names_;
    std::vector<std::uint64_t> keys_;
    std::vector<ReplayLink> links_;
    std::vector<ReplayShooter> shooters_;
    ReplayLinked linked_;
};

struct ReplayFigures {
    std::int64_t shots = 0;
    std::int64_t cracks = 0;
    std::int64_t explosions = 0;
    std::int64_t not_fired = 0;  // the gun had exploded under the INI
};

struct ReplayedSession : ReplayFigures {
    std::int64_t not_evaluated = 0;  // the shooter kind's scan is off under the INI
    std::int64_t drawn = 0;          // shots with a draw the log lacks, drawn from the row
    std::int64_t dirt_and_wear_as_logged = 0;  // shots of a log that does not say what each shot wrote
    std::int64_t unknown_group = 0;  // shots that ask the base list for a shooter whose group no row gave
    std::array<ReplayFigures, log_group_count> groups{};
};

// The shots under the settings the plugin holds; the replayed rows, as the
// plugin logs them, to replayed_rows when given (without the dropped ones).
// One entry per session of the log.
std::vector<ReplayedSession> replay_shots(const LoggedShots& shots, std::ostream* replayed_rows = nullptr);
// The same under an INI's text; the plugin's globals are put back after.
std::vector<ReplayedSession> replay_under_ini(const LoggedShots& shots, const std::string& ini_text,
                                              std::ostream* replayed_rows = nullptr);

// A log read, and with an INI its shots replayed under that INI.
struct AnalysedLog {
    ShotLog log;
    std::optional<std::string> ini;             // the INI's name, when one was given
    std::vector<ReplayedSession> with_ini;      // one per session of the log, with an INI
};

// Throws ToolError naming the file (the log, the INI or the replay's output)
// that cannot be read or written. replay_to: where the replayed rows go
// (with an INI only).
AnalysedLog analyse_log(const std::filesystem::path& log, const std::optional<std::filesystem::path>& ini,
                        const std::optional<std::filesystem::path>& replay_to = std::nullopt);
AnalysedLog analyse_log_text(std::string_view text, const std::string& file,
                             const std::optional<std::string>& ini_text, const std::string& ini_name = {},
                             std::ostream* replayed_rows = nullptr);
// The log's shots kept for replays, and its figures.
LoggedShots read_logged_shots(std::string_view text, const std::string& file, ShotLog& log);

}  // namespace sim
