#include "log/log_replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <tuple>
#include <unordered_map>

#include "common/numeric.h"
#include "common/rng.h"
#include "config/settings.h"
#include "effects/crack.h"
#include "model/barrel.h"
#include "model/ped_scan.h"
#include "model/shot_eval.h"
#include "model/shot_log.h"
#include "plugin_state.h"
#include "shared/files.h"
#include "shared/platform.h"
#include "shared/tool_error.h"
#include "world.h"

namespace sim {

namespace {

constexpr float unknown = std::numeric_limits<float>::quiet_NaN();
// The weapons' next shots that the game's tuning is inferred from, at most, per session and class.
constexpr std::size_t inference_pairs = 20000;

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

// The fewest significant digits that give the number back: the INI's own
// text is more likely 1.3 than a neighbour of it.
int digits_of(float value) {
    char text[32];
    for (int digits = 1; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) return digits;
    }
    return 9;
}

// Of the values proposed, the one that explains the most pairs (then the one
// proposed most often, then the shortest); unknown when none was proposed.
template <typename Explained>
float most_explaining(std::vector<float>& proposed, Explained explained) {
    if (proposed.empty()) return unknown;
    std::sort(proposed.begin(), proposed.end());
    std::vector<std::pair<std::size_t, float>> runs;
    for (std::size_t i = 0; i < proposed.size();) {
        std::size_t j = i;
        while (j < proposed.size() && proposed[j] == proposed[i]) ++j;
        runs.push_back({j - i, proposed[i]});
        i = j;
    }
    const std::size_t tried = std::min<std::size_t>(runs.size(), 3);
    std::partial_sort(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(tried), runs.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    float best = runs[0].second;
    std::tuple<std::size_t, std::size_t, int> best_score{0, 0, 0};
    for (std::size_t i = 0; i < tried; ++i) {
        const std::tuple<std::size_t, std::size_t, int> score{explained(runs[i].second), runs[i].first,
                                                              -digits_of(runs[i].second)};
        if (i == 0 || score > best_score) {
            best_score = score;
            best = runs[i].second;
        }
    }
    return std::get<0>(best_score) > 0 ? best : unknown;
}

// A weapon's shot and the value its next shot opened with.
struct Pair {
    float from;
    float draw;  // the firing dirt's increment, or the crack's wear
    float next;
};

// The game's tuning of one class in one session, as far as its weapons'
// next shots show it; unknown where none does.
struct GameTuning {
    float dirt_modifier = unknown;
    float min_dirt = unknown;
    float min_degradation = unknown;
};

struct Proposals {
    std::vector<Pair> fired;
    std::vector<Pair> cracked_dirt;
    std::vector<Pair> cracked_degradation;
};

// The dirt modifier that makes the plugin's firing dirt what the next shots
// opened with, and the minimums that make a crack's lift so.
GameTuning infer_tuning(Proposals& p) {
    GameTuning tuning;
    std::vector<float> proposed;
    for (const Pair& pair : p.fired) {
        const float sum = fired_dirt(pair.from, pair.draw, 1.0f);
        if (sum > 0.0f) proposed.push_back(static_cast<float>(static_cast<double>(pair.next) / static_cast<double>(sum)));
    }
    tuning.dirt_modifier = most_explaining(proposed, [&](float modifier) {
        return static_cast<std::size_t>(std::count_if(p.fired.begin(), p.fired.end(), [&](const Pair& pair) {
            return same_bits(fired_dirt(pair.from, pair.draw, modifier), pair.next);
        }));
    });
    const auto minimum_of = [](std::vector<Pair>& pairs) {
        std::vector<float> values;
        for (const Pair& pair : pairs) values.push_back(pair.next - pair.draw);
        return most_explaining(values, [&](float minimum) {
            return static_cast<std::size_t>(std::count_if(pairs.begin(), pairs.end(), [&](const Pair& pair) {
                return same_bits(crack_lift(pair.from, pair.draw, minimum), pair.next);
            }));
        });
    };
    tuning.min_dirt = minimum_of(p.cracked_dirt);
    tuning.min_degradation = minimum_of(p.cracked_degradation);
    return tuning;
}

// The class minimum of degradation that a shot's crack limit shows: the limit
// is twice it when below 0.99.
float min_degradation_of_limit(float limit) {
    const float half = limit / 2.0f;
    return limit > 0.0f && limit < 0.99f && 2.0f * half == limit ? half : unknown;
}

// Washes in water between two of the player's shots: the dirt the next shot
// opened with is what some washes make of what the plugin left, or, with a
// wash in the frame of the shot before, of what that shot opened with.
void recognise_washes(LoggedShot& r, const LoggedShot& p) {
    constexpr int most = 255;
    for (const bool at_shot : {false, true}) {
        float dirt = at_shot ? p.dirt : clamp(r.left_dirt, 0.0f, 1.0f);
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

// What the plugin under the game's INI left on the weapon at its shot p, and
// whether shot r opened with just that.
void link_to_previous(LoggedShot& r, const LoggedShot& p, const GameTuning& t) {
    if (p.outcome == ShotOutcome::crack) {
        const float wear = p.crack_wear.value_or(0.0f);
        r.left_dirt = !std::isnan(t.min_dirt) ? crack_lift(p.dirt, wear, t.min_dirt)
                                              : (r.dirt == 0.99f ? 0.99f : p.dirt);
        float minimum = min_degradation_of_limit(p.crack_degradation_limit);
        if (std::isnan(minimum)) minimum = t.min_degradation;
        r.left_degradation = !std::isnan(minimum) ? crack_lift(p.effective_degradation, wear, minimum)
                                                  : (r.game_degradation == 0.99f ? 0.99f : p.effective_degradation);
    } else {
        r.left_dirt = p.dirt;
        if (p.firing_dirt) {
            // Without a modifier the next shots show, 1 (the shipped one);
            // a weapon at full dirt is taken for one the plugin filled.
            const bool known = !std::isnan(t.dirt_modifier);
            r.left_dirt = !known && r.dirt == 1.0f ? 1.0f : fired_dirt(p.dirt, *p.firing_dirt, known ? t.dirt_modifier : 1.0f);
        }
        r.left_degradation = p.game_degradation;
    }
    r.dirt_kept = same_bits(clamp(r.left_dirt, 0.0f, 1.0f), r.dirt);
    r.degradation_kept = same_bits(r.left_degradation, r.game_degradation);
    if (!r.dirt_kept && !r.is_npc) recognise_washes(r, p);
}

// What a weapon opens with in the replay: the replay's own value where the
// game left it as the plugin did; as logged where the replay left it as the
// game's plugin did; otherwise the replay's value with the game's change.
float opened(float replay_left, float game_left, float logged, bool kept) {
    if (kept) return replay_left;
    if (same_bits(replay_left, game_left)) return logged;
    return replay_left + (logged - game_left);
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

// The first [Base_Degradation] entry for each relationship group asked.
class BaseEntries {
public:
    const BaseDegradationEntry* of(GameHash key) {
        const auto [it, added] = entries_.try_emplace(key, -1);
        if (added) it->second = base_degradation_entry(key, standin::joaat);
        return it->second < 0 ? nullptr : &settings.base_degradation[static_cast<std::size_t>(it->second)];
    }

private:
    std::unordered_map<GameHash, int> entries_;
};

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
    // What the game's INI did to the weapons at their shots, inferred per
    // session and class from the shots that followed.
    std::vector<Proposals> proposals(session_names_.size() * log_class_count);
    for (const LoggedShot& r : rows_) {
        if (r.previous < 0) continue;
        const LoggedShot& p = rows_[static_cast<std::size_t>(r.previous)];
        Proposals& to = proposals[p.session * log_class_count + p.class_index];
        if (p.outcome == ShotOutcome::crack) {
            const float wear = p.crack_wear.value_or(0.0f);
            if (r.dirt > p.dirt && r.dirt < 0.99f && to.cracked_dirt.size() < inference_pairs) {
                to.cracked_dirt.push_back({p.dirt, wear, r.dirt});
            }
            if (r.game_degradation > p.effective_degradation && r.game_degradation < 0.99f &&
                to.cracked_degradation.size() < inference_pairs) {
                to.cracked_degradation.push_back({p.effective_degradation, wear, r.game_degradation});
            }
        } else if (p.firing_dirt && r.dirt < 1.0f && to.fired.size() < inference_pairs) {
            to.fired.push_back({p.dirt, *p.firing_dirt, r.dirt});
        }
    }
    std::vector<GameTuning> tuning(proposals.size());
    for (std::size_t g = 0; g < proposals.size(); ++g) tuning[g] = infer_tuning(proposals[g]);
    for (LoggedShot& r : rows_) {
        if (const auto group = groups.find(WeaponKey{r.session, r.shooter, 0}); group != groups.end()) {
            r.group = group->second;
        }
        if (r.previous < 0) continue;
        const LoggedShot& p = rows_[static_cast<std::size_t>(r.previous)];
        link_to_previous(r, p, tuning[p.session * log_class_count + p.class_index]);
    }
}

std::vector<ReplayedSession> replay_shots(const LoggedShots& shots, std::ostream* replayed_rows) {
    std::vector<ReplayedSession> sessions(shots.session_names().size());
    // The INI's decisions that are the same for every shot.
    const bool scan_on[2] = {player_scan_on(), npc_scan_on()};
    const bool dirt_on[2] = {fires_dirt(false), fires_dirt(true)};
    std::array<ShotChances, log_class_count> tuning;
    std::array<float, log_class_count> dirt_modifier{};
    for (std::size_t c = 0; c < log_class_count; ++c) {
        tuning[c] = class_chance_tuning(tuned_weapon_classes[c]);
        dirt_modifier[c] = read_table(class_tuning.dirt_modifier, tuned_weapon_classes[c]);
    }
    BaseEntries entries;

    // Per weapon, what the replay left on it at its last shot.
    struct Weapon {
        float opening_dirt = 0.0f;
        float dirt = 0.0f;
        float degradation = 0.0f;
        bool gone = false;
    };
    std::vector<Weapon> weapons(shots.slots());
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
        const std::string& session = shots.session_names()[r.session];
        ReplayFigures& g = s.groups[log_group_of(r.is_npc, r.class_index)];
        if (!scan_on[r.is_npc]) {
            ++s.not_evaluated;
            continue;
        }
        Weapon& weapon = weapons[r.slot];
        if (weapon.gone) {
            ++s.not_fired;
            ++g.not_fired;
            continue;
        }
        ShotRecord record;
        record.pass = r.pass;
        record.ped = static_cast<PedHandle>(r.shooter);
        record.is_npc = r.is_npc;
        record.weapon_class = tuned_weapon_classes[r.class_index];
        record.weapon_hash = static_cast<GameHash>(r.weapon);
        record.temperature = r.temperature;
        record.kick = r.kick;
        record.roll = r.roll;
        // The opening reading.
        float dirt = r.dirt;
        record.game_degradation = r.game_degradation;
        if (r.previous >= 0) {
            // A washed weapon: the washes again, from what the replay left or opened with.
            dirt = r.washes == 0       ? opened(weapon.dirt, r.left_dirt, r.dirt, r.dirt_kept)
                   : r.washed_at_shot ? weapon.opening_dirt
                                      : clamp(weapon.dirt, 0.0f, 1.0f);
            for (int i = 0; i < r.washes; ++i) dirt = washed_dirt(dirt);
            record.game_degradation = opened(weapon.degradation, r.left_degradation, r.game_degradation,
                                             r.degradation_kept);
        }
        record.dirt = clamp(dirt, 0.0f, 1.0f);
        record.effective_degradation = clamp(record.game_degradation, 0.0f, 1.0f);
        bool drawn = false;
        if (!r.replayable) {
            ++s.dirt_and_wear_as_logged;
            record.effective_degradation = r.effective_degradation;
            record.base_degradation = r.base_degradation;
        } else if (asks_base_degradation(r.is_npc, record.effective_degradation)) {
            record.base_degradation_asked = r.group.has_value();
            record.base_degradation_key = r.group.value_or(0);
            if (!r.group) ++s.unknown_group;
            if (const BaseDegradationEntry* entry = r.group ? entries.of(*r.group) : nullptr) {
                const float logged = r.effective_degradation;
                const bool fits = r.base_degradation && logged >= std::min(entry->low, entry->high) &&
                                  logged <= std::max(entry->low, entry->high);
                drawn = !fits;
                record.effective_degradation =
                    fits ? logged : drawn_for(r, session, 1, [&] { return uniform(entry->low, entry->high); });
                record.base_degradation = true;
            }
        }
        // The heat and cold as logged; without the player's scan they stay at their start.
        barrel_heat = scan_on[0] ? r.heat : 0.0f;
        barrel_cold = scan_on[0] ? r.cold : 0.0f;
        record.heat = barrel_heat;
        record.cold = barrel_cold;
        if (r.replayable && dirt_on[r.is_npc]) {
            drawn = drawn || !r.firing_dirt;
            record.firing_dirt_drawn = true;
            record.firing_dirt = r.firing_dirt ? *r.firing_dirt : drawn_for(r, session, 2, draw_firing_dirt);
            dirt = fired_dirt(record.dirt, record.firing_dirt, dirt_modifier[r.class_index]);
        }
        float degradation = record.game_degradation;
        record.chances = chances_with_tuning(tuning[r.class_index], record.dirt, record.effective_degradation);
        record.outcome = shot_outcome(record.chances, record.effective_degradation, record.roll);
        if (record.outcome == ShotOutcome::crack && r.replayable) {
            const bool logged = r.crack_wear && r.outcome == ShotOutcome::crack;
            drawn = drawn || !logged;
            record.crack_wear = logged ? *r.crack_wear : drawn_for(r, session, 3, draw_crack_wear);
            dirt = crack_lift(record.dirt, record.crack_wear, record.chances.min_dirt);
            degradation = crack_lift(record.effective_degradation, record.crack_wear, record.chances.min_degradation);
        }
        weapon = {record.dirt, dirt, degradation, record.outcome == ShotOutcome::explosion};

        s.drawn += drawn ? 1 : 0;
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
    standin::reset_plugin_globals();
    load_settings_from_text(ini_text);
    std::vector<ReplayedSession> sessions = replay_shots(shots, replayed_rows);
    standin::reset_plugin_globals();
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
