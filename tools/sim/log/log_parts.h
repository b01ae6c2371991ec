#pragma once
// The parts of the shot-log reader, each in its file: the lines and fields
// of a CSV text (csv_lines.cpp), a row read by the columns its header names
// (log_row.cpp: the play log's own, or run's shots.csv, whose frame, shooter
// and weapon_object stand for pass, ped and weapon_hash), and the figures
// summed up as the rows are read, with the verdicts on them (log_sums.cpp).

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/shot_log_reader.h"
#include "model/shot_log.h"

namespace sim {

// ------------------------------------------------------------------ lines (csv_lines.cpp)

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
bool split_fields(std::string_view line, std::vector<std::string_view>& fields);

// Whether the fields are a header: they name the kind and the outcome.
bool is_header(const std::vector<std::string_view>& fields);

// ------------------------------------------------------------------ rows (log_row.cpp)

inline constexpr std::size_t absent = static_cast<std::size_t>(-1);

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

// The columns of a header, and the names of the required ones it lacks.
Columns map_columns(const std::vector<std::string_view>& fields, std::int64_t line, std::string& missing);

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

// The row's values, or what is wrong with the first that does not read.
std::optional<RowProblem> read_row(const std::vector<std::string_view>& fields, const Columns& c,
                                   ShooterNames& names, LogRow& row);

// ------------------------------------------------------------------ sums (log_sums.cpp)

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

// One row into its session's figures.
void add_row(LogSession& s, SessionState& state, const LogRow& row);
// Quartiles by linear interpolation between the sorted values in [0, 1].
ValueSpread spread_of(std::vector<float>& values);
// The classes whose shots so often follow the same shooter's shot in the
// next pass that the shooting flag must stay true for several passes.
void flag_repeated_passes(const LogSession& s, std::vector<Finding>& findings);

}  // namespace sim
