#include "engine/ini_edit.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "shared/ini_names.h"

namespace tuner {

namespace {

using sim::same_name;

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// One line of the file: its text and the line end after it (none on a last
// line without one).
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> lines_of(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({text.substr(pos), {}});
            break;
        }
        const std::size_t length = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(pos, end - pos), text.substr(end, length)});
        pos = end + length;
    }
    return lines;
}

// What a line is to the reader.
struct Reading {
    enum Kind { other, section, key } kind = other;
    std::string_view name;      // the section's or the key's, trimmed
    std::size_t value_at = 0;   // key: where the value starts in the line
};

Reading read_line(std::string_view line) {
    const std::string_view content = trimmed(line);
    if (content.empty() || content.front() == ';' || content.front() == '#') return {};
    if (content.front() == '[') {
        const std::size_t close = content.find(']');
        // An unclosed section line is ignored: the keys below stay where they were.
        if (close == std::string_view::npos) return {};
        return {Reading::section, trimmed(content.substr(1, close - 1)), 0};
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return {};
    const std::string_view name = trimmed(line.substr(0, equals));
    if (name.empty()) return {};
    std::size_t value_at = equals + 1;
    while (value_at < line.size() && blank(line[value_at])) ++value_at;
    return {Reading::key, name, value_at};
}

std::string one_line(const std::string& value) {
    std::string out;
    for (const char c : value) {
        if (c != '\r' && c != '\n') out += c;
    }
    return out;
}

}  // namespace

std::string with_value(const std::string& text, const std::string& section, const std::string& key,
                       const std::string& value) {
    std::string_view body = text;
    std::string_view bom;
    if (body.size() >= 3 && std::memcmp(body.data(), "\xEF\xBB\xBF", 3) == 0) {
        bom = body.substr(0, 3);
        body.remove_prefix(3);
    }
    const std::vector<Line> lines = lines_of(body);
    const auto first_end = std::find_if(lines.begin(), lines.end(), [](const Line& l) { return !l.end.empty(); });
    const std::string_view line_end = first_end != lines.end() ? first_end->end : std::string_view("\n");

    std::optional<std::size_t> key_line;      // the line the reader takes the key from
    std::optional<std::size_t> section_last;  // the last line of the section's last part
    bool in_section = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Reading reading = read_line(lines[i].text);
        if (reading.kind == Reading::section) in_section = same_name(reading.name, section);
        if (!in_section) continue;
        if (!trimmed(lines[i].text).empty()) section_last = i;
        if (reading.kind == Reading::key && same_name(reading.name, key)) key_line = i;
    }

    const std::string new_value = one_line(value);
    std::string out(bom);
    const auto append_line = [&out](std::string_view line, std::string_view end) {
        out.append(line);
        out.append(end);
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (key_line == i) {
            const std::size_t value_at = read_line(line.text).value_at;
            append_line(std::string(line.text.substr(0, value_at)) + new_value, line.end);
            continue;
        }
        append_line(line.text, line.end.empty() && !key_line && section_last == i ? line_end : line.end);
        if (!key_line && section_last == i) append_line(key + "=" + new_value, line.end.empty() ? std::string_view() : line_end);
    }
    if (!key_line && !section_last) {
        if (!lines.empty() && lines.back().end.empty()) out.append(line_end);
        if (!lines.empty() && !trimmed(lines.back().text).empty()) out.append(line_end);
        append_line("[" + section + "]", line_end);
        append_line(key + "=" + new_value, line_end);
    }
    return out;
}

}  // namespace tuner
