#include "log/shot_log_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>

#include "config/settings.h"
#include "model/shot_log.h"

namespace sim {

namespace {

constexpr std::size_t absent = static_cast<std::size_t>(-1);
// Rows that do not read are listed up to this many; the rest are counted.
constexpr std::size_t listed_row_findings = 100;

// ------------------------------------------------------------------ lines and fields

// The lines of a text: LF or CR LF ends one, a last line without an end counts.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const char* start = text_.data() + pos_;
        const void* found = std::memchr(start, '\n', text_.size() - pos_);
        const std::size_t end = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                                                 : text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    std::int64_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::int64_t number_ = 0;
};

// Splits a CSV line at its commas. A field in double quotes may hold commas
// and doubled quotes; it is given without its outer quotes. False when a
// quote is not closed.
bool split_fields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t pos = 0;
    while (true) {
        if (pos < line.size() && line[pos] == '"') {
            std::size_t close = pos + 1;
            while (true) {
                close = line.find('"', close);
                if (close == std::string_view::npos) return false;
                if (close + 1 < line.size() && line[close + 1] == '"') {
                    close += 2;
                    continue;
                }
                break;
            }
            fields.push_back(line.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            if (pos == line.size()) return true;
            if (line[pos] != ',') return false;
            ++pos;
            continue;
        }
        const std::size_t comma = line.find(',', pos);
        fields.push_back(line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (comma == std::string_view::npos) return true;
        pos = comma + 1;
    }
}

bool is_header(const std::vector<std::string_view>& fields) {
    return std::find(fields.begin(), fields.end(), "kind") != fields.end() &&
           std::find(fields.begin(), fields.end(), "outcome") != fields.end();
}

// ------------------------------------------------------------------ columns

// Where each column of the play log's table stands in a header; `absent`
// where the header lacks it.
struct Columns {
    std::array<std::size_t, shot_log_columns.size()> at{};
    bool shooter_is_ped = true;  // ped, or shots.csv's shooter name
    bool weapon_is_hash = true;  // weapon_hash, or shots.csv's weapon_object
    std::size_t count = 0;
    std::int64_t line = 0;  // of the header
    std::vector<std::string> names;
    std::size_t operator[](ShotLogColumn column) const { return at[static_cast<std::size_t>(column)]; }
    bool has(ShotLogColumn column) const { return (*this)[column] != absent; }
};

// The columns a row cannot be read without.
constexpr ShotLogColumn required_columns[] = {
    ShotLogColumn::pass,         ShotLogColumn::kind,         ShotLogColumn::weapon_class,
    ShotLogColumn::dirt,         ShotLogColumn::effective_degradation,
    ShotLogColumn::heat,         ShotLogColumn::cold,         ShotLogColumn::crack_chance,
    ShotLogColumn::explosion_chance, ShotLogColumn::crack_degradation_limit,
    ShotLogColumn::roll,         ShotLogColumn::outcome,
};
// The columns a replay needs besides: the shot's draws and question, and what
// it wrote on the weapon.
constexpr ShotLogColumn replay_columns[] = {ShotLogColumn::firing_dirt, ShotLogColumn::crack_wear,
                                            ShotLogColumn::base_degradation_key, ShotLogColumn::dirt_written,
                                            ShotLogColumn::degradation_written};

std::size_t index_of(const std::vector<std::string_view>& fields, std::string_view name) {
    const auto it = std::find(fields.begin(), fields.end(), name);
    return it == fields.end() ? absent : static_cast<std::size_t>(it - fields.begin());
}

// The columns of a header, and the names of the required ones it lacks.
// shots.csv names three of them its own way: frame, shooter, weapon_object.
Columns map_columns(const std::vector<std::string_view>& fields, std::int64_t line, std::string& missing) {
    Columns c;
    c.count = fields.size();
    c.line = line;
    c.names.assign(fields.begin(), fields.end());
    for (std::size_t i = 0; i < shot_log_columns.size(); ++i) c.at[i] = index_of(fields, shot_log_columns[i]);
    const auto or_else = [&](ShotLogColumn column, const char* name) {
        std::size_t& at = c.at[static_cast<std::size_t>(column)];
        if (at == absent) at = index_of(fields, name);
        return at != absent && fields[at] == name;
    };
    or_else(ShotLogColumn::pass, "frame");
    c.shooter_is_ped = !or_else(ShotLogColumn::ped, "shooter");
    c.weapon_is_hash = !or_else(ShotLogColumn::weapon_hash, "weapon_object");
    missing.clear();
    for (const ShotLogColumn column : required_columns) {
        if (c.has(column)) continue;
        const std::string name = column == ShotLogColumn::pass ? "pass (or frame)" : shot_log_column_name(column);
        missing += (missing.empty() ? "" : ", ") + name;
    }
    return c;
}

// ------------------------------------------------------------------ values

std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 40;
    return "'" + std::string(text.substr(0, shown)) + (text.size() > shown ? "...'" : "'");
}

// A float as printf's %.9g writes it, nan and inf included (also the forms
// of Microsoft's C runtime: 1.#INF, 1.#QNAN, -1.#IND).
bool read_float(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec == std::errc() && ptr == end) return true;
    if (ec != std::errc() || *ptr != '#') return false;
    const std::string_view rest(ptr, static_cast<std::size_t>(end - ptr));
    const bool negative = text.front() == '-';
    if (rest == "#INF") {
        value = negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
        return true;
    }
    if (rest == "#QNAN" || rest == "#IND" || rest == "#SNAN") {
        value = std::numeric_limits<float>::quiet_NaN();
        return true;
    }
    return false;
}

template <typename Integer>
bool read_integer(std::string_view text, Integer& value, int base = 10) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::optional<std::size_t> class_index_of(std::string_view name) {
    for (std::size_t i = 0; i < tuned_weapon_classes.size(); ++i) {
        if (name == tuned_weapon_classes[i]) return i;
    }
    return std::nullopt;
}

std::optional<ShotOutcome> outcome_of(std::string_view name) {
    for (const ShotOutcome o : {ShotOutcome::none, ShotOutcome::crack, ShotOutcome::explosion}) {
        if (name == shot_outcome_name(o)) return o;
    }
    return std::nullopt;
}

// What is wrong with a row that does not read: the message, and the field.
struct RowProblem {
    std::string message;
    std::string column;
    std::size_t field = 0;
};

// Numbers for shooter names, so that a shooter is one number in either format.
class ShooterNames {
public:
    std::uint32_t number_of(std::string_view name) {
        const auto [it, added] = numbers_.try_emplace(name, static_cast<std::uint32_t>(numbers_.size()));
        return it->second;
    }

private:
    std::unordered_map<std::string_view, std::uint32_t> numbers_;
};

bool read_hash(std::string_view text, std::uint32_t& hash) {
    return text.substr(0, 2) == "0x" && read_integer(text.substr(2), hash, 16);
}

// The columns a replay reads, each empty or a value; the row replays when
// the header has all of them.
std::optional<RowProblem> read_replay_columns(const std::vector<std::string_view>& fields, const Columns& c,
                                              LogRow& row) {
    row.replayable = std::all_of(std::begin(replay_columns), std::end(replay_columns),
                                 [&c](ShotLogColumn column) { return c.has(column); });
    const std::pair<ShotLogColumn, std::optional<float> LogRow::*> numbers[] = {
        {ShotLogColumn::firing_dirt, &LogRow::firing_dirt},
        {ShotLogColumn::crack_wear, &LogRow::crack_wear},
        {ShotLogColumn::dirt_written, &LogRow::dirt_written},
        {ShotLogColumn::degradation_written, &LogRow::degradation_written},
    };
    for (const auto& [column, member] : numbers) {
        const std::size_t at = c[column];
        if (at == absent || fields[at].empty()) continue;
        float number = 0.0f;
        if (!read_float(fields[at], number)) {
            return RowProblem{c.names[at] + ": " + quoted(fields[at]) + " is neither empty nor a number", c.names[at], at};
        }
        row.*member = number;
    }
    const std::size_t at = c[ShotLogColumn::base_degradation_key];
    if (at == absent || fields[at].empty()) return std::nullopt;
    std::uint32_t hash = 0;
    if (!read_hash(fields[at], hash)) {
        return RowProblem{"base_degradation_key: " + quoted(fields[at]) + " is neither empty nor a hash (0x and hex digits)",
                          "base_degradation_key", at};
    }
    row.base_degradation_key = hash;
    return std::nullopt;
}

std::optional<RowProblem> read_identity(const std::vector<std::string_view>& fields, const Columns& c,
                                        ShooterNames& names, LogRow& row) {
    if (const std::size_t shooter = c[ShotLogColumn::ped]; shooter != absent) {
        const std::string_view text = fields[shooter];
        std::int32_t ped = 0;
        if (!c.shooter_is_ped) {
            row.shooter = names.number_of(text);
        } else if (read_integer(text, ped)) {
            row.shooter = static_cast<std::uint32_t>(ped);
        } else {
            return RowProblem{"ped: " + quoted(text) + " is not a ped handle (a whole number)", "ped", shooter};
        }
    }
    const std::size_t weapon = c[ShotLogColumn::weapon_hash];
    if (weapon == absent) return std::nullopt;
    const std::string_view text = fields[weapon];
    std::uint32_t hash = 0;
    std::int32_t object = 0;
    if (c.weapon_is_hash && read_hash(text, hash)) {
        row.weapon = hash;
    } else if (!c.weapon_is_hash && read_integer(text, object)) {
        row.weapon = static_cast<std::uint32_t>(object);
    } else {
        const char* name = c.weapon_is_hash ? "weapon_hash" : "weapon_object";
        return RowProblem{std::string(name) + ": " + quoted(text) + " is not " +
                              (c.weapon_is_hash ? "a hash (0x and hex digits)" : "a whole number"),
                          name, weapon};
    }
    return std::nullopt;
}

std::optional<RowProblem> read_words(const std::vector<std::string_view>& fields, const Columns& c, LogRow& row) {
    const std::string_view pass = fields[c[ShotLogColumn::pass]];
    if (!read_integer(pass, row.pass)) {
        const char* name = c.names[c[ShotLogColumn::pass]] == "frame" ? "frame" : "pass";
        return RowProblem{std::string(name) + ": " + quoted(pass) + " is not a pass number (a whole number from 0)",
                          name, c[ShotLogColumn::pass]};
    }
    const std::string_view kind = fields[c[ShotLogColumn::kind]];
    if (kind != shooter_kind::player && kind != shooter_kind::npc) {
        return RowProblem{"kind: " + quoted(kind) + " is neither Player nor NPC", "kind", c[ShotLogColumn::kind]};
    }
    row.is_npc = kind == shooter_kind::npc;
    const auto class_index = class_index_of(fields[c[ShotLogColumn::weapon_class]]);
    if (!class_index) {
        return RowProblem{"class: " + quoted(fields[c[ShotLogColumn::weapon_class]]) +
                              " is not a weapon class the plugin tunes (pistol, revolver, rifle, sniper, shotgun)",
                          "class", c[ShotLogColumn::weapon_class]};
    }
    row.class_index = *class_index;
    const auto outcome = outcome_of(fields[c[ShotLogColumn::outcome]]);
    if (!outcome) {
        return RowProblem{"outcome: " + quoted(fields[c[ShotLogColumn::outcome]]) + " is none of none, crack, explosion", "outcome",
                          c[ShotLogColumn::outcome]};
    }
    row.outcome = *outcome;
    return std::nullopt;
}

std::optional<RowProblem> read_row(const std::vector<std::string_view>& fields, const Columns& c,
                                   ShooterNames& names, LogRow& row) {
    if (fields.size() != c.count) {
        return RowProblem{"the row has " + std::to_string(fields.size()) + " fields, the header at line " +
                              std::to_string(c.line) + " has " + std::to_string(c.count),
                          "", std::min(fields.size(), c.count) - 1};
    }
    const std::pair<ShotLogColumn, float LogRow::*> numbers[] = {
        {ShotLogColumn::temperature, &LogRow::temperature},
        {ShotLogColumn::dirt, &LogRow::dirt},
        {ShotLogColumn::game_degradation, &LogRow::game_degradation},
        {ShotLogColumn::kick, &LogRow::kick},
        {ShotLogColumn::effective_degradation, &LogRow::effective_degradation},
        {ShotLogColumn::heat, &LogRow::heat},
        {ShotLogColumn::cold, &LogRow::cold},
        {ShotLogColumn::crack_chance, &LogRow::crack_chance},
        {ShotLogColumn::explosion_chance, &LogRow::explosion_chance},
        {ShotLogColumn::crack_degradation_limit, &LogRow::crack_degradation_limit},
        {ShotLogColumn::roll, &LogRow::roll},
    };
    for (const auto& [column, member] : numbers) {
        const std::size_t at = c[column];
        if (at == absent) continue;
        if (!read_float(fields[at], row.*member)) {
            return RowProblem{c.names[at] + ": " + quoted(fields[at]) + " is not a number", c.names[at], at};
        }
    }
    if (const std::size_t at = c[ShotLogColumn::base_degradation]; at != absent) {
        const std::string_view flag = fields[at];
        if (flag != "0" && flag != "1") {
            return RowProblem{"base_degradation: " + quoted(flag) + " is neither 0 nor 1", "base_degradation", at};
        }
        row.base_degradation = flag == "1";
    }
    if (auto problem = read_words(fields, c, row)) return problem;
    if (auto problem = read_identity(fields, c, names, row)) return problem;
    return read_replay_columns(fields, c, row);
}

// ------------------------------------------------------------------ sums

struct WeaponState {
    std::int64_t last_second = -1;
};

// What a session needs while it is read, besides its sums.
struct SessionState {
    std::unordered_map<std::uint64_t, WeaponState> weapons;
    std::unordered_map<std::uint32_t, std::uint32_t> last_pass_of_shooter;
    std::vector<float> npc_dirt;
    std::vector<float> npc_degradation;
};

// The row as counts: one shot, its failure, its expected failures.
FailureCounts counts_of(const LogRow& row) {
    const OutcomeProbabilities expected = expected_outcomes(row);
    return {1, row.outcome == ShotOutcome::crack ? 1 : 0, row.outcome == ShotOutcome::explosion ? 1 : 0,
            expected.crack, expected.explosion};
}

void add_to_curve(FailureCurve& curve, std::uint32_t pass, const FailureCounts& shot) {
    while (pass / curve.passes_per_bucket >= curve_buckets) {
        // Twice the passes per bucket: pairs of buckets become one.
        for (std::size_t i = 0; i < curve.buckets.size(); ++i) {
            const FailureCounts from = curve.buckets[i];
            if (i % 2 == 0) curve.buckets[i / 2] = FailureCounts{};
            curve.buckets[i / 2].add(from);
        }
        curve.buckets.resize((curve.buckets.size() + 1) / 2);
        curve.passes_per_bucket *= 2;
    }
    const std::size_t index = pass / curve.passes_per_bucket;
    if (curve.buckets.size() <= index) curve.buckets.resize(index + 1);
    curve.buckets[index].add(shot);
}

void add_shooter(LogSession& s, SessionState& state, LogGroupFigures& group, const LogRow& row) {
    const std::uint64_t key = (static_cast<std::uint64_t>(row.shooter) << 32) | (row.weapon & 0xFFFFFFFFu);
    const auto [weapon, first] = state.weapons.try_emplace(key);
    if (first && row.is_npc) {
        ++s.npc_weapons.count;
        state.npc_dirt.push_back(row.dirt);
        state.npc_degradation.push_back(row.effective_degradation);
    }
    const std::int64_t second = static_cast<std::int64_t>(row.pass / 60);
    if (weapon->second.last_second != second) ++group.firing_seconds;
    weapon->second.last_second = second;

    const auto [shooter, added] = state.last_pass_of_shooter.try_emplace(row.shooter, row.pass);
    if (!added && row.pass == shooter->second + 1) ++group.next_pass_shots;
    shooter->second = row.pass;
}

void add_player(LogSession& s, const LogRow& row) {
    ++s.player_shots;
    // A NaN is no peak.
    const auto higher = [](const std::optional<LogPeak>& peak, float value) {
        return !std::isnan(value) && (!peak || value > peak->value);
    };
    if (higher(s.player_peak_heat, row.heat)) s.player_peak_heat = LogPeak{row.heat, row.pass};
    if (higher(s.player_peak_cold, row.cold)) s.player_peak_cold = LogPeak{row.cold, row.pass};
}

void add_row(LogSession& s, SessionState& state, const LogRow& row) {
    if (s.shots == 0 || row.pass < s.first_pass) s.first_pass = row.pass;
    if (s.shots == 0 || row.pass > s.last_pass) s.last_pass = row.pass;
    const FailureCounts shot = counts_of(row);
    s.add(shot);
    LogGroupFigures& g = s.groups[log_group_of(row.is_npc, row.class_index)];
    g.add(shot);
    add_to_curve(s.curve, row.pass, shot);
    add_shooter(s, state, g, row);
    if (!row.is_npc) add_player(s, row);
}

// Quartiles by linear interpolation between the sorted values in [0, 1].
ValueSpread spread_of(std::vector<float>& values) {
    ValueSpread spread;
    std::vector<double> inside;
    for (const float v : values) {
        if (v >= 0.0f && v <= 1.0f) {
            inside.push_back(static_cast<double>(v));
            ++spread.bins[std::min<std::size_t>(static_cast<std::size_t>(v * 10.0f), 9)];
        } else {
            ++spread.bins[spread_bins - 1];
        }
    }
    std::sort(inside.begin(), inside.end());
    spread.count = inside.size();
    if (inside.empty()) return spread;
    const auto at = [&inside](double p) {
        const double position = p * static_cast<double>(inside.size() - 1);
        const std::size_t low = static_cast<std::size_t>(position);
        const std::size_t high = std::min(low + 1, inside.size() - 1);
        return inside[low] + (inside[high] - inside[low]) * (position - static_cast<double>(low));
    };
    spread = ValueSpread{spread.count, inside.front(), at(0.25), at(0.5), at(0.75), inside.back(), spread.bins};
    values = {};
    return spread;
}

// ------------------------------------------------------------------ the verdicts

std::string percent_text(double share) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f %%", share * 100.0);
    return buffer;
}

void flag_repeated_passes(const LogSession& s, std::vector<Finding>& findings) {
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& figures = s.groups[g];
        if (figures.shots < next_pass_min_shots || !(figures.next_pass_share() > next_pass_warning_share)) continue;
        const std::string where = s.session.empty() ? std::string() : "session " + s.session + ": ";
        findings.push_back(
            {0, "", "", Severity::warning,
             where + log_group_kind(g) + " " + log_group_class(g) + ": " + std::to_string(figures.next_pass_shots) +
                 " of " + std::to_string(figures.shots) + " shots (" + percent_text(figures.next_pass_share()) +
                 ") were evaluated in the pass right after the same shooter's previous shot. No gun fires twice "
                 "within 1/60 s: the shooting flag stays true for several passes per shot, each shot is evaluated "
                 "several times, and every failure chance counts that many times",
             ""});
    }
}

// ------------------------------------------------------------------ the reader

class Reader {
public:
    Reader(std::string_view text, const std::string& file, const LogRowSink& sink) : cursor_(text), sink_(sink) {
        log_.file = file;
    }
    ShotLog read();

private:
    void header(const std::vector<std::string_view>& fields);
    void row(const std::vector<std::string_view>& fields, bool split);
    bool ends_a_session(const std::vector<std::string_view>& fields) const;
    void flag(Severity severity, std::string message, std::string column = {});
    std::size_t session_of(std::string_view value);

    LineCursor cursor_;
    const LogRowSink& sink_;
    ShotLog log_;
    // None before the first header and under one that lacks columns: the rows there are skipped.
    std::optional<Columns> columns_;
    std::vector<std::string_view> fields_;
    ShooterNames shooter_names_;
    std::vector<SessionState> states_;
    std::map<std::string, std::size_t, std::less<>> session_numbers_;
    std::string current_session_;
    std::size_t current_ = absent;
    std::size_t unlisted_ = 0;
    std::int64_t first_unlisted_line_ = 0;
};

void Reader::flag(Severity severity, std::string message, std::string column) {
    if (log_.findings.size() >= listed_row_findings) {
        if (unlisted_++ == 0) first_unlisted_line_ = cursor_.number();
        return;
    }
    log_.findings.push_back({static_cast<int>(std::min<std::int64_t>(cursor_.number(), std::numeric_limits<int>::max())),
                             "", std::move(column), severity, std::move(message), ""});
}

std::size_t Reader::session_of(std::string_view value) {
    if (current_ != absent && value == current_session_) return current_;
    current_session_.assign(value);
    const auto found = session_numbers_.find(value);
    if (found != session_numbers_.end()) return current_ = found->second;
    current_ = log_.sessions.size();
    session_numbers_.emplace(current_session_, current_);
    log_.sessions.push_back({});
    log_.sessions.back().session = current_session_;
    states_.emplace_back();
    return current_;
}

void Reader::header(const std::vector<std::string_view>& fields) {
    if (columns_ && std::equal(fields.begin(), fields.end(), columns_->names.begin(), columns_->names.end())) return;
    std::string missing;
    Columns columns = map_columns(fields, cursor_.number(), missing);
    if (!missing.empty()) {
        flag(Severity::error, "the header lacks the column(s) " + missing +
                                  ": the rows below it, up to the next header, are skipped");
        columns_.reset();
        return;
    }
    columns_ = std::move(columns);
}

// Whether the line after this one starts another session (or a header) or
// there is none: where a game that stopped while writing leaves its cut row.
bool Reader::ends_a_session(const std::vector<std::string_view>& fields) const {
    LineCursor ahead = cursor_;
    std::string_view line;
    do {
        if (!ahead.next(line)) return true;
    } while (line.empty());
    std::vector<std::string_view> next;
    if (!split_fields(line, next)) return false;
    if (is_header(next)) return true;
    const std::size_t s = (*columns_)[ShotLogColumn::session];
    if (s == absent) return false;
    return s >= fields.size() || s >= next.size() || fields[s] != next[s];
}

void Reader::row(const std::vector<std::string_view>& fields, bool split) {
    LogRow row;
    std::optional<RowProblem> problem;
    if (!split) problem = RowProblem{"a quoted field is not closed", "", fields.size()};
    if (!problem) problem = read_row(fields, *columns_, shooter_names_, row);
    if (!problem) {
        const std::size_t at = (*columns_)[ShotLogColumn::session];
        const std::size_t s = session_of(at == absent ? std::string_view() : fields[at]);
        add_row(log_.sessions[s], states_[s], row);
        ++log_.rows;
        if (sink_) sink_(s, row);
        return;
    }
    ++log_.skipped_rows;
    // A cut row is the start of a row: fewer fields, or the last one cut short.
    const bool cut = fields.size() < columns_->count || (fields.size() == columns_->count && problem->field + 1 == fields.size());
    if (cut && ends_a_session(fields)) {
        flag(Severity::warning, "a partial row, skipped: the game stopped while writing it (" +
                                    std::to_string(fields.size()) + " of " + std::to_string(columns_->count) +
                                    " fields)");
        return;
    }
    flag(Severity::error, problem->message + ": the row is skipped", problem->column);
}

ShotLog Reader::read() {
    std::string_view line;
    bool first = true;
    while (cursor_.next(line)) {
        if (line.empty()) continue;
        const bool split = split_fields(line, fields_);
        if (split && is_header(fields_)) {
            header(fields_);
        } else if (first) {
            flag(Severity::error, std::string("the first line is not a header: a shot log starts with its column "
                                              "names (") + shot_log_header + "); the rows up to a header are skipped");
            ++log_.skipped_rows;
        } else if (!columns_) {
            ++log_.skipped_rows;
        } else {
            row(fields_, split);
        }
        first = false;
    }
    log_.lines = cursor_.number();
    if (unlisted_ > 0) {
        log_.findings.push_back({static_cast<int>(std::min<std::int64_t>(first_unlisted_line_, std::numeric_limits<int>::max())),
                                 "", "", Severity::error,
                                 std::to_string(unlisted_) + " more row(s) from this line on do not read either; "
                                                             "they are skipped and not listed",
                                 ""});
    }
    for (std::size_t i = 0; i < log_.sessions.size(); ++i) {
        log_.sessions[i].npc_weapons.dirt = spread_of(states_[i].npc_dirt);
        log_.sessions[i].npc_weapons.degradation = spread_of(states_[i].npc_degradation);
        flag_repeated_passes(log_.sessions[i], log_.findings);
    }
    return std::move(log_);
}

}  // namespace

std::size_t log_group_of(bool is_npc, std::size_t class_index) {
    return (is_npc ? log_class_count : 0) + class_index;
}
bool log_group_is_npc(std::size_t group) { return group >= log_class_count; }
const char* log_group_class(std::size_t group) { return tuned_weapon_classes[group % log_class_count]; }
const char* log_group_kind(std::size_t group) { return shooter_kind_of(log_group_is_npc(group)); }

OutcomeProbabilities expected_outcomes(const LogRow& row) {
    ShotChances chances;
    chances.crack_chance = row.crack_chance;
    chances.explosion_chance = row.explosion_chance;
    chances.crack_degradation_limit = row.crack_degradation_limit;
    return outcome_probabilities(chances, row.effective_degradation);
}

void FailureCounts::add(const FailureCounts& other) {
    shots += other.shots;
    cracks += other.cracks;
    explosions += other.explosions;
    expected_cracks += other.expected_cracks;
    expected_explosions += other.expected_explosions;
}

double LogGroupFigures::shots_per_second_of_firing() const {
    return firing_seconds > 0 ? static_cast<double>(shots) / static_cast<double>(firing_seconds) : 0.0;
}

double LogGroupFigures::next_pass_share() const {
    return shots > 0 ? static_cast<double>(next_pass_shots) / static_cast<double>(shots) : 0.0;
}

ShotLog read_shot_log_text(std::string_view text, const std::string& file, const LogRowSink& sink) {
    return Reader(text, file, sink).read();
}

}  // namespace sim
