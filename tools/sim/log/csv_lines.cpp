#include "log/log_parts.h"

#include <algorithm>

namespace sim {

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

}  // namespace sim
