#include "config/ini_text.h"

namespace {

bool blank_char(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blank_char(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank_char(text.back())) text.remove_suffix(1);
    return text;
}

// What the reader makes of one line's text.
void read_line(IniLine& line) {
    line.content = trimmed(line.text);
    const std::string_view content = line.content;
    if (content.empty()) {
        line.kind = IniLine::blank;
        return;
    }
    if (content.front() == ';' || content.front() == '#') {
        line.kind = IniLine::comment;
        return;
    }
    if (content.front() == '[') {
        const std::size_t close = content.find(']');
        if (close == std::string_view::npos) {
            line.kind = IniLine::unclosed_section;
            return;
        }
        line.kind = IniLine::section;
        line.name = trimmed(content.substr(1, close - 1));
        line.value = trimmed(content.substr(close + 1));
        return;
    }
    const std::size_t equals = line.text.find('=');
    if (equals == std::string_view::npos) {
        line.kind = IniLine::no_equals;
        return;
    }
    line.name = trimmed(line.text.substr(0, equals));
    if (line.name.empty()) {
        line.kind = IniLine::no_name;
        return;
    }
    line.kind = IniLine::key;
    line.value_at = equals + 1;
    while (line.value_at < line.text.size() && blank_char(line.text[line.value_at])) ++line.value_at;
    line.value = trimmed(line.text.substr(line.value_at));
}

}  // namespace

std::string_view without_byte_order_mark(std::string_view text) {
    if (text.starts_with(utf8_byte_order_mark)) text.remove_prefix(utf8_byte_order_mark.size());
    return text;
}

bool next_ini_line(std::string_view text, IniLine& line) {
    const std::size_t pos = line.number == 0 ? text.size() - without_byte_order_mark(text).size() : line.next_at;
    if (pos >= text.size()) return false;
    const int number = line.number + 1;
    line = IniLine{};
    line.number = number;
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
        line.text = text.substr(pos);
        line.next_at = text.size();
    } else {
        const std::size_t length = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        line.text = text.substr(pos, end - pos);
        line.end = text.substr(end, length);
        line.next_at = end + length;
    }
    read_line(line);
    return true;
}

std::vector<IniLine> ini_lines(std::string_view text) {
    std::vector<IniLine> lines;
    for (IniLine line; next_ini_line(text, line);) lines.push_back(line);
    return lines;
}

std::string drop_unclosed_section_lines(std::string text) {
    for (IniLine line; next_ini_line(text, line);) {
        if (line.kind != IniLine::unclosed_section) continue;
        const auto at = static_cast<std::size_t>(line.text.data() - text.data());
        text.replace(at, line.text.size(), line.text.size(), ' ');
    }
    return text;
}
