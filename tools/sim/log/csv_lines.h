#pragma once
// The lines and fields of a CSV file as the shot-log reader takes them.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace sim {

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

}  // namespace sim
