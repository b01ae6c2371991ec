#include "log/log_replay.h"

#include <algorithm>
#include <bit>
#include <fstream>

#include "config/settings.h"
#include "config/settings_text.h"
#include "model/shot_log.h"
#include "model/shot_replay.h"
#include "host/plugin_state.h"
#include "shared/files.h"
#include "shared/platform.h"
#include "shared/tool_error.h"
#include "world.h"

namespace sim {

namespace {

// A row's optional figure into the record, with the flag that says it is there.
void take(const std::optional<float>& logged, bool& there, float& value) {
    there = logged.has_value();
    value = logged.value_or(0.0f);
}

}  // namespace

void LoggedShots::reserve(std::size_t rows) {
    shots_.reserve(rows);
    advise_large_buffer(shots_.data(), rows * sizeof(ShotRecord));
    sessions_.reserve(rows);
    classes_.reserve(rows);
    replayable_.reserve(rows);
}

void LoggedShots::add(std::size_t session, const LogRow& row) {
    ShotRecord& shot = shots_.emplace_back();
    shot.pass = row.pass;
    shot.ped = static_cast<PedHandle>(row.shooter);
    shot.is_npc = row.is_npc;
    shot.weapon_class = class_name(row.weapon_class);
    shot.weapon_hash = static_cast<GameHash>(row.weapon);
    shot.temperature = row.temperature;
    shot.dirt = row.dirt;
    shot.game_degradation = row.game_degradation;
    shot.effective_degradation = row.effective_degradation;
    shot.base_degradation = row.base_degradation;
    shot.heat = row.heat;
    shot.cold = row.cold;
    shot.kick = row.kick;
    shot.chances.crack_chance = row.crack_chance;
    shot.chances.explosion_chance = row.explosion_chance;
    shot.chances.crack_degradation_limit = row.crack_degradation_limit;
    shot.roll = row.roll;
    shot.outcome = row.outcome;
    take(row.firing_dirt, shot.firing_dirt_drawn, shot.firing_dirt);
    shot.crack_wear = row.crack_wear.value_or(0.0f);
    shot.base_degradation_asked = row.base_degradation_key.has_value();
    shot.base_degradation_key = row.base_degradation_key.value_or(0);
    take(row.dirt_written, shot.dirt_set, shot.dirt_written);
    take(row.degradation_written, shot.degradation_set, shot.degradation_written);
    sessions_.push_back(static_cast<std::uint32_t>(session));
    classes_.push_back(row.weapon_class);
    replayable_.push_back(row.replayable ? 1 : 0);
}

void LoggedShots::finish(std::vector<std::string> session_names) {
    session_names_ = std::move(session_names);
    for (const std::string& name : session_names_) keys_.push_back(session_key(name));
    links_.resize(shots_.size());
    shooters_.resize(shots_.size());
    std::vector<std::int32_t> table(std::bit_ceil(std::max<std::size_t>(4 * shots_.size(), 2)));
    linked_ = link_shots(replay_source(*this), links_, shooters_, table);
}

std::vector<ReplayedSession> replay_shots(const LoggedShots& shots, std::ostream* replayed_rows) {
    std::vector<ReplayedSession> sessions(shots.session_names().size());
    // The sessions as fields of the replayed log: quoted when the log quoted them.
    std::vector<std::string> session_fields;
    for (const std::string& name : shots.session_names()) {
        if (name.find_first_of(",\"") == std::string::npos) {
            session_fields.push_back(name);
            continue;
        }
        std::string quoted = "\"";
        for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        session_fields.push_back(quoted + "\"");
    }
    char row_text[shot_log_row_room];
    if (replayed_rows != nullptr) *replayed_rows << shot_log_header << "\n";

    std::vector<ReplayWeapon> weapons(shots.weapon_count());
    const auto sink = [&](std::size_t i, const ReplayedShot& r) {
        ReplayedSession& s = sessions[shots.session_index(i)];
        ReplayFigures& g = s.groups[log_group_of(shots.shot(i).is_npc, shots.weapon_class(i))];
        if (r.fate == ReplayFate::not_evaluated) {
            ++s.not_evaluated;
            return;
        }
        if (r.fate == ReplayFate::not_fired) {
            ++s.not_fired;
            ++g.not_fired;
            return;
        }
        s.drawn += r.drawn ? 1 : 0;
        s.unknown_group += r.unknown_group ? 1 : 0;
        s.dirt_and_wear_as_logged += r.as_played ? 1 : 0;
        for (ReplayFigures* f : {static_cast<ReplayFigures*>(&s), &g}) {
            ++f->shots;
            f->cracks += r.shot.outcome == ShotOutcome::crack ? 1 : 0;
            f->explosions += r.shot.outcome == ShotOutcome::explosion ? 1 : 0;
        }
        if (replayed_rows != nullptr) {
            // The session is written as it was read, whatever bytes it holds.
            const int length = format_shot_log_row(row_text, sizeof row_text, "", r.shot);
            if (length > 0) {
                *replayed_rows << session_fields[shots.session_index(i)] << std::string_view(row_text, length);
            }
        }
    };
    decide_linked(replay_source(shots), shots.links(), shots.shooters(), weapons, sink);
    return sessions;
}

std::vector<ReplayedSession> replay_under_ini(const LoggedShots& shots, const std::string& ini_text,
                                              std::ostream* replayed_rows) {
    reset_plugin_state();
    load_settings_from_text(ini_text);
    std::vector<ReplayedSession> sessions = replay_shots(shots, replayed_rows);
    reset_plugin_state();
    return sessions;
}

LoggedShots read_logged_shots(std::string_view text, const std::string& file, ShotLog& log) {
    LoggedShots shots;
    // Rows of the plugin's log are 150 to 200 bytes long.
    shots.reserve(text.size() / 140);
    log = read_shot_log_text(text, file, [&shots](std::size_t session, const LogRow& row) { shots.add(session, row); });
    std::vector<std::string> names;
    for (const LogSession& s : log.sessions) names.push_back(s.session);
    shots.finish(std::move(names));
    return shots;
}

AnalysedLog analyse_log_text(std::string_view text, const std::string& file, const std::optional<std::string>& ini_text,
                             const std::string& ini_name, std::ostream* replayed_rows) {
    AnalysedLog analysed;
    if (!ini_text) {
        analysed.log = read_shot_log_text(text, file);
        return analysed;
    }
    const LoggedShots shots = read_logged_shots(text, file, analysed.log);
    analysed.ini = ini_name;
    analysed.with_ini = replay_under_ini(shots, *ini_text, replayed_rows);
    return analysed;
}

AnalysedLog analyse_log(const std::filesystem::path& log, const std::optional<std::filesystem::path>& ini,
                        const std::optional<std::filesystem::path>& replay_to) {
    std::optional<std::string> ini_text;
    if (ini) ini_text = read_file(*ini, "INI file");
    // A large log is read where it lies; an empty one or a pipe whole.
    const MappedFile mapped(log);
    const std::string read = mapped.bytes().empty() ? read_file(log, "shot log") : std::string();
    const std::string_view text = mapped.bytes().empty() ? std::string_view(read) : mapped.bytes();
    std::optional<std::ofstream> out;
    if (replay_to) out.emplace(*replay_to, std::ios::binary | std::ios::trunc);
    const auto check = [&] {
        if (out && !*out) throw ToolError("cannot write the replayed log '" + utf8_of(*replay_to) + "'");
    };
    check();
    AnalysedLog analysed =
        analyse_log_text(text, utf8_of(log), ini_text, ini ? utf8_of(*ini) : std::string(), out ? &*out : nullptr);
    if (out) out->close();
    check();
    return analysed;
}

}  // namespace sim
