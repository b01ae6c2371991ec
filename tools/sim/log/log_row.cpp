#include "log/log_parts.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace sim {

namespace {

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

std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 40;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on a literal
    // added to a temporary string.
    std::string out(1, '\'');
    return out.append(text.substr(0, shown)).append(text.size() > shown ? "...'" : "'");
}

// A field that does not read: "NAME: 'TEXT' WHAT", in its column.
RowProblem not_read(const std::string& name, std::string_view text, std::size_t at, const std::string& what) {
    return RowProblem{name + ": " + quoted(text) + " " + what, name, at};
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

std::optional<ShotOutcome> outcome_of(std::string_view name) {
    for (const ShotOutcome o : {ShotOutcome::none, ShotOutcome::crack, ShotOutcome::explosion}) {
        if (name == shot_outcome_name(o)) return o;
    }
    return std::nullopt;
}

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
            return not_read(c.names[at], fields[at], at, "is neither empty nor a number");
        }
        row.*member = number;
    }
    const std::size_t at = c[ShotLogColumn::base_degradation_key];
    if (at == absent || fields[at].empty()) return std::nullopt;
    std::uint32_t hash = 0;
    if (!read_hash(fields[at], hash)) {
        return not_read("base_degradation_key", fields[at], at, "is neither empty nor a hash (0x and hex digits)");
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
            return not_read("ped", text, shooter, "is not a ped handle (a whole number)");
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
        return not_read(c.weapon_is_hash ? "weapon_hash" : "weapon_object", text, weapon,
                        c.weapon_is_hash ? "is not a hash (0x and hex digits)" : "is not a whole number");
    }
    return std::nullopt;
}

std::optional<RowProblem> read_words(const std::vector<std::string_view>& fields, const Columns& c, LogRow& row) {
    const std::size_t pass = c[ShotLogColumn::pass];
    if (!read_integer(fields[pass], row.pass)) {
        return not_read(c.names[pass] == "frame" ? "frame" : "pass", fields[pass], pass,
                        "is not a pass number (a whole number from 0)");
    }
    const std::size_t kind = c[ShotLogColumn::kind];
    if (fields[kind] != shooter_kind::player && fields[kind] != shooter_kind::npc) {
        return not_read("kind", fields[kind], kind, "is neither Player nor NPC");
    }
    row.is_npc = fields[kind] == shooter_kind::npc;
    const std::size_t class_at = c[ShotLogColumn::weapon_class];
    const std::optional<TunedClass> weapon_class = tuned_class_of(fields[class_at]);
    if (!weapon_class) {
        return not_read("class", fields[class_at], class_at,
                        "is not a weapon class the plugin tunes (pistol, revolver, rifle, sniper, shotgun)");
    }
    row.weapon_class = *weapon_class;
    const std::size_t outcome_at = c[ShotLogColumn::outcome];
    const auto outcome = outcome_of(fields[outcome_at]);
    if (!outcome) return not_read("outcome", fields[outcome_at], outcome_at, "is none of none, crack, explosion");
    row.outcome = *outcome;
    return std::nullopt;
}

}  // namespace

// shots.csv names three of the columns its own way: frame, shooter, weapon_object.
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
            return not_read(c.names[at], fields[at], at, "is not a number");
        }
    }
    if (const std::size_t at = c[ShotLogColumn::base_degradation]; at != absent) {
        const std::string_view flag = fields[at];
        if (flag != "0" && flag != "1") {
            return not_read("base_degradation", flag, at, "is neither 0 nor 1");
        }
        row.base_degradation = flag == "1";
    }
    if (auto problem = read_words(fields, c, row)) return problem;
    if (auto problem = read_identity(fields, c, names, row)) return problem;
    return read_replay_columns(fields, c, row);
}

}  // namespace sim
