#include "config/ini_edit.h"

#include <algorithm>
#include <vector>

#include "config/ini_names.h"
#include "config/ini_text.h"

namespace {

std::string one_line(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c != '\r' && c != '\n') out += c;
    }
    return out;
}

}  // namespace

[[gnu::cold]] std::string with_value(std::string_view whole, std::string_view section, std::string_view key,
                       std::string_view value) {
    // The reader stops at a NUL byte: what follows it is never read, and so
    // never changed; it follows the edited text as it stands.
    const std::string_view text = whole.substr(0, whole.find('\0'));
    const std::string_view unread = whole.substr(text.size());
    const std::string_view body = without_byte_order_mark(text);
    const std::vector<IniLine> lines = ini_lines(text);
    const auto first_end = std::find_if(lines.begin(), lines.end(), [](const IniLine& l) { return !l.end.empty(); });
    const std::string_view line_end = first_end != lines.end() ? first_end->end : std::string_view("\n");

    std::optional<std::size_t> key_line;      // the line the reader takes the key from
    std::optional<std::size_t> section_last;  // the last line of the section's last part
    bool in_section = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniLine& line = lines[i];
        if (line.kind == IniLine::section) in_section = same_ini_name(line.name, section);
        if (!in_section) continue;
        if (line.kind != IniLine::blank) section_last = i;
        if (line.kind == IniLine::key && same_ini_name(line.name, key)) key_line = i;
    }

    const std::string new_value = one_line(value);
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on a literal
    // added to a temporary string.
    std::string new_key_line(key);
    new_key_line.append("=").append(new_value);
    std::string out(text.substr(0, text.size() - body.size()));
    const auto append_line = [&out](std::string_view line, std::string_view end) {
        out.append(line);
        out.append(end);
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniLine& line = lines[i];
        if (key_line == i) {
            std::string edited(line.text.substr(0, line.value_at));
            edited.append(new_value);
            append_line(edited, line.end);
            continue;
        }
        const bool add_after = !key_line && section_last == i;
        append_line(line.text, line.end.empty() && add_after ? line_end : line.end);
        if (add_after) append_line(new_key_line, line.end.empty() ? std::string_view() : line_end);
    }
    if (!key_line && !section_last) {
        if (!lines.empty() && lines.back().end.empty()) out.append(line_end);
        if (!lines.empty() && lines.back().kind != IniLine::blank) out.append(line_end);
        std::string header("[");
        header.append(section).append("]");
        append_line(header, line_end);
        append_line(new_key_line, line_end);
    }
    out.append(unread);
    return out;
}

std::optional<std::string_view> written_value(std::string_view text, std::string_view section,
                                              std::string_view key) {
    // The reader takes the text up to its first NUL byte.
    text = text.substr(0, text.find('\0'));
    std::optional<std::string_view> value;
    std::string_view open;  // the section the lines stand in; the one without a name above every header
    for (IniLine line; next_ini_line(text, line);) {
        if (line.kind == IniLine::section) open = line.name;
        if (line.kind == IniLine::key && same_ini_name(open, section) && same_ini_name(line.name, key)) {
            value = line.value;
        }
    }
    return value;
}
