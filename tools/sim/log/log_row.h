#pragma once
// A row of a shot log read by the columns its header names: the play log's
// own (model/shot_log.h) or run's shots.csv, whose frame, shooter and
// weapon_object stand for pass, ped and weapon_hash.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/shot_log_reader.h"
#include "model/shot_log.h"

namespace sim {

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

}  // namespace sim
