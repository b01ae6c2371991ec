#include "log/log_replay.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include "common/numeric.h"
#include "common/rng.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "effects/crack.h"
#include "model/barrel.h"
#include "model/ped_scan.h"
#include "model/shot_decision.h"
#include "model/shot_log.h"
#include "host/plugin_state.h"
#include "shared/files.h"
#include "shared/platform.h"
#include "shared/tool_error.h"
#include "world.h"

namespace sim {

namespace {

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A shooter's weapon in a session (weapon 0: the shooter).
struct WeaponKey {
    std::uint32_t session;
    std::uint32_t shooter;
    std::uint32_t weapon;
    bool operator==(const WeaponKey&) const = default;
};
struct WeaponKeyHash {
    std::size_t operator()(const WeaponKey& k) const {
        return std::hash<std::uint64_t>()((static_cast<std::uint64_t>(k.shooter) << 32 | k.weapon) * 31u + k.session);
    }
};

// What a shot left on its weapon as the game holds it: what its natives
// wrote last, else what the weapon opened with.
float left_dirt(const LogRow& shot) { return clamp(shot.dirt_written.value_or(shot.dirt), 0.0f, 1.0f); }
float left_degradation(const LogRow& shot) {
    return clamp(shot.degradation_written.value_or(shot.game_degradation), 0.0f, 1.0f);
}

// Washes in water between two of the player's shots: the dirt the next shot
// opened with is what some washes make of what the shot before left, or,
// with a wash in that shot's own frame, of what it opened with.
void recognise_washes(LoggedShot& r, const LoggedShot& p) {
    constexpr int most = 255;
    for (const bool at_shot : {false, true}) {
        float dirt = at_shot ? p.dirt : left_dirt(p);
        for (int washes = 1; washes <= most; ++washes) {
            const float washed = washed_dirt(dirt);
            if (same_bits(washed, dirt)) break;
            dirt = washed;
            if (same_bits(dirt, r.dirt)) {
                r.washes = static_cast<std::uint8_t>(washes);
                r.washed_at_shot = at_shot;
                return;
            }
        }
    }
}

// How shot r's weapon opened against what its shot before, p, wrote on it.
void link_to_previous(LoggedShot& r, const LoggedShot& p) {
    r.dirt_kept = same_bits(left_dirt(p), r.dirt);
    r.degradation_kept = same_bits(left_degradation(p), r.game_degradation);
    if (!r.dirt_kept && !r.is_npc) recognise_washes(r, p);
}

// A draw the log lacks, made by the plugin's own draw from the generator
// seeded by the row: the same row gives the same value every time.
template <typename Draw>
float drawn_for(const LoggedShot& r, const std::string& session, std::uint32_t purpose, Draw draw) {
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](std::uint64_t value) {
        for (int i = 0; i < 8; ++i, value >>= 8) h = (h ^ (value & 0xFF)) * 1099511628211ull;
    };
    for (const char c : session) mix(static_cast<unsigned char>(c));
    std::uint32_t roll = 0;
    std::memcpy(&roll, &r.roll, sizeof roll);
    for (const std::uint64_t v : {std::uint64_t{r.pass}, std::uint64_t{r.shooter}, r.weapon, std::uint64_t{roll},
                                  std::uint64_t{purpose}}) {
        mix(v);
    }
    mod_rng.seed(static_cast<std::uint32_t>(h ^ (h >> 32)));
    return draw();
}

// What the replay left on a weapon at its last shot.
struct ReplayedWeapon {
    float opening_dirt = 0.0f;
    float dirt = 0.0f;
    float degradation = 0.0f;
    bool gone = false;
};

// A logged shot decided again: the game's answers from the row and from what
// the replay left on the weapon, the draws from the row, or drawn from it
// where the row lacks them.
struct ReplayedShot {
    const LoggedShot& row;
    const std::string& session;
    float opened_degradation;
    ClassChanceTuning tuning;
    float modifier;
    BarrelFigures figures;
    bool drawn = false;
    bool unknown_group = false;

    float weapon_degradation() { return opened_degradation; }
    std::optional<GameHash> relationship_group() {
        unknown_group = !row.group;
        return row.group;
    }
    GameHash hash_of(const char* name) { return standin::joaat(name); }
    float base_degradation_draw(const BaseDegradationEntry& entry) {
        const float logged = row.effective_degradation;
        if (row.base_degradation && logged >= std::min(entry.low, entry.high) &&
            logged <= std::max(entry.low, entry.high)) {
            return logged;
        }
        drawn = true;
        return drawn_for(row, session, 1, [&entry] { return uniform(entry.low, entry.high); });
    }
    void before_firing_dirt(ShotRecord&) {}
    float firing_dirt_draw() {
        if (row.firing_dirt) return *row.firing_dirt;
        drawn = true;
        return drawn_for(row, session, 2, draw_firing_dirt);
    }
    float dirt_modifier() { return modifier; }
    void write_dirt(float) {}
    ClassChanceTuning chance_tuning() { return tuning; }
    BarrelFigures barrel_figures() { return figures; }
    float roll() { return row.roll; }
    float crack_wear() {
        if (row.crack_wear && row.outcome == ShotOutcome::crack) return *row.crack_wear;
        drawn = true;
        return drawn_for(row, session, 3, draw_crack_wear);
    }
};
static_assert(ShotGame<ReplayedShot>);

}  // namespace

void LoggedShots::add(std::size_t session, const LogRow& row) {
    LoggedShot& shot = rows_.emplace_back();
    static_cast<LogRow&>(shot) = row;
    shot.session = static_cast<std::uint32_t>(session);
}

void LoggedShots::finish(std::vector<std::string> session_names) {
    session_names_ = std::move(session_names);
    // The weapons: a logged explosion ends one, and the shooter's next shot
    // with that weapon is another's. The shooters' groups, from any row.
    std::unordered_map<WeaponKey, std::pair<std::uint32_t, std::int32_t>, WeaponKeyHash> weapons;  // slot, last row
    std::unordered_map<WeaponKey, GameHash, WeaponKeyHash> groups;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        LoggedShot& r = rows_[i];
        const auto [it, added] = weapons.try_emplace(WeaponKey{r.session, r.shooter, static_cast<std::uint32_t>(r.weapon)}, 0, -1);
        if (added || rows_[static_cast<std::size_t>(it->second.second)].outcome == ShotOutcome::explosion) {
            it->second = {static_cast<std::uint32_t>(slots_++), -1};
        }
        r.slot = it->second.first;
        const std::int32_t before = it->second.second;
        if (before >= 0 && r.replayable && rows_[static_cast<std::size_t>(before)].replayable) r.previous = before;
        it->second.second = static_cast<std::int32_t>(i);
        if (r.base_degradation_key) groups.try_emplace(WeaponKey{r.session, r.shooter, 0}, *r.base_degradation_key);
    }
    for (LoggedShot& r : rows_) {
        if (const auto group = groups.find(WeaponKey{r.session, r.shooter, 0}); group != groups.end()) {
            r.group = group->second;
        }
        if (r.previous >= 0) link_to_previous(r, rows_[static_cast<std::size_t>(r.previous)]);
    }
}

std::vector<ReplayedSession> replay_shots(const LoggedShots& shots, std::ostream* replayed_rows) {
    std::vector<ReplayedSession> sessions(shots.session_names().size());
    // The INI's decisions that are the same for every shot.
    const bool scan_on[2] = {player_scan_on(), npc_scan_on()};
    PerClass<ClassChanceTuning> tuning;
    PerClass<float> dirt_modifier;
    for (const TunedClass c : tuned_classes) {
        tuning[c] = class_chance_tuning(class_name(c));
        dirt_modifier[c] = read_table(class_tuning.dirt_modifier, class_name(c));
    }

    std::vector<ReplayedWeapon> weapons(shots.slots());
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

    for (const LoggedShot& r : shots.rows()) {
        ReplayedSession& s = sessions[r.session];
        ReplayFigures& g = s.groups[log_group_of(r.is_npc, r.weapon_class)];
        if (!scan_on[r.is_npc]) {
            ++s.not_evaluated;
            continue;
        }
        ReplayedWeapon& weapon = weapons[r.slot];
        if (weapon.gone) {
            ++s.not_fired;
            ++g.not_fired;
            continue;
        }
        ShotRecord record;
        record.pass = r.pass;
        record.ped = static_cast<PedHandle>(r.shooter);
        record.is_npc = r.is_npc;
        record.weapon_class = class_name(r.weapon_class);
        record.weapon_hash = static_cast<GameHash>(r.weapon);
        record.temperature = r.temperature;
        record.kick = r.kick;
        // The barrel as logged; without the player's scan it stays at its start.
        const BarrelFigures figures = scan_on[0] ? BarrelFigures{r.heat, r.cold} : BarrelFigures{};
        // The opening reading: what the replay left on the weapon where the
        // game kept what the plugin wrote, washed again where the game washed
        // it, else as logged.
        float dirt = r.dirt;
        float degradation = r.game_degradation;
        if (r.previous >= 0) {
            if (r.dirt_kept) {
                dirt = weapon.dirt;
            } else if (r.washes > 0) {
                dirt = r.washed_at_shot ? weapon.opening_dirt : weapon.dirt;
                for (int i = 0; i < r.washes; ++i) dirt = washed_dirt(dirt);
            }
            if (r.degradation_kept) degradation = weapon.degradation;
        }
        record.dirt = dirt;
        if (!r.replayable) {
            // A row of a log that does not say what each shot wrote.
            ++s.dirt_and_wear_as_logged;
            record.game_degradation = r.game_degradation;
            record.effective_degradation = r.effective_degradation;
            record.base_degradation = r.base_degradation;
            decide_outcome(record, tuning[r.weapon_class], figures, r.roll);
        } else {
            ReplayedShot shot{r, shots.session_names()[r.session], degradation, tuning[r.weapon_class],
                              dirt_modifier[r.weapon_class], figures};
            decide_shot(record, shot);
            if (record.outcome == ShotOutcome::crack) decide_crack_wear(record, shot.crack_wear());
            if (record.outcome == ShotOutcome::explosion) decide_explosion_wear(record);
            s.drawn += shot.drawn ? 1 : 0;
            s.unknown_group += shot.unknown_group ? 1 : 0;
        }
        // What the game makes of what the shot wrote.
        weapon = {record.dirt, clamp(record.dirt_set ? record.dirt_written : record.dirt, 0.0f, 1.0f),
                  clamp(record.degradation_set ? record.degradation_written : record.game_degradation, 0.0f, 1.0f),
                  record.outcome == ShotOutcome::explosion};

        for (ReplayFigures* f : {static_cast<ReplayFigures*>(&s), &g}) {
            ++f->shots;
            f->cracks += record.outcome == ShotOutcome::crack ? 1 : 0;
            f->explosions += record.outcome == ShotOutcome::explosion ? 1 : 0;
        }
        if (replayed_rows != nullptr) {
            // The session is written as it was read, whatever bytes it holds.
            const int length = format_shot_log_row(row_text, sizeof row_text, "", record);
            if (length > 0) *replayed_rows << session_fields[r.session] << std::string_view(row_text, length);
        }
    }
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
