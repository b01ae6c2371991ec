#include "log/shot_log_reader.h"

#include <algorithm>
#include <limits>
#include <map>

#include "log/log_parts.h"
#include "model/shot_log.h"

namespace sim {

namespace {

// Rows that do not read are listed up to this many; the rest are counted.
constexpr std::size_t listed_row_findings = 100;

// A line number as a finding holds it.
int finding_line(std::int64_t line) {
    return static_cast<int>(std::min<std::int64_t>(line, std::numeric_limits<int>::max()));
}

class Reader {
public:
    Reader(std::string_view text, const std::string& file, const LogRowSink& sink) : cursor_(text), sink_(sink) {
        log_.file = file;
    }

    ShotLog read() {
        std::string_view line;
        bool first = true;
        while (cursor_.next(line)) {
            if (line.empty()) continue;
            const bool split = split_fields(line, fields_);
            if (split && is_header(fields_)) {
                header(fields_);
            } else if (first) {
                flag(Severity::error, std::string("the first line is not a header: a shot log starts with its "
                                                  "column names (") +
                                          shot_log_header + "); the rows up to a header are skipped");
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
            log_.findings.push_back({finding_line(first_unlisted_line_), "", "", Severity::error,
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

private:
    void header(const std::vector<std::string_view>& fields) {
        if (columns_ && std::equal(fields.begin(), fields.end(), columns_->names.begin(), columns_->names.end())) {
            return;
        }
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

    void row(const std::vector<std::string_view>& fields, bool split) {
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
        const bool cut = fields.size() < columns_->count ||
                         (fields.size() == columns_->count && problem->field + 1 == fields.size());
        if (cut && ends_a_session(fields)) {
            flag(Severity::warning, "a partial row, skipped: the game stopped while writing it (" +
                                        std::to_string(fields.size()) + " of " + std::to_string(columns_->count) +
                                        " fields)");
            return;
        }
        flag(Severity::error, problem->message + ": the row is skipped", problem->column);
    }

    // Whether the line after this one starts another session (or a header) or
    // there is none: where a game that stopped while writing leaves its cut row.
    bool ends_a_session(const std::vector<std::string_view>& fields) const {
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

    void flag(Severity severity, std::string message, std::string column = {}) {
        if (log_.findings.size() >= listed_row_findings) {
            if (unlisted_++ == 0) first_unlisted_line_ = cursor_.number();
            return;
        }
        log_.findings.push_back(
            {finding_line(cursor_.number()), "", std::move(column), severity, std::move(message), ""});
    }

    std::size_t session_of(std::string_view value) {
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

}  // namespace

std::size_t log_group_of(bool is_npc, TunedClass weapon_class) {
    return (is_npc ? tuned_class_count : 0) + static_cast<std::size_t>(weapon_class);
}
const char* log_group_class(std::size_t group) { return tuned_weapon_classes[group % tuned_class_count]; }
const char* log_group_kind(std::size_t group) { return shooter_kind_of(group >= tuned_class_count); }

ShotLog read_shot_log_text(std::string_view text, const std::string& file, const LogRowSink& sink) {
    return Reader(text, file, sink).read();
}

}  // namespace sim
