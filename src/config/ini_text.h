#pragma once
// The lines of Barrelburst.ini as the plugin's INI reader takes them, and the
// file-format rules that the reader itself does not keep. The loader, the
// edits of the menu and the tuner page, and the tools' check all read lines
// here, so that they never disagree about what a line is.

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";

// One line of the file. A line ends at LF, CR LF or CR alone.
struct IniLine {
    enum Kind {
        blank,             // nothing but spaces and tabs
        comment,           // first non-blank character ';' or '#'
        section,           // '[' name ']', anything after the ']' ignored
        unclosed_section,  // first non-blank character '[' and no ']': ignored
        key,               // name '=' value
        no_equals,         // any other text without '=': ignored
        no_name,           // nothing before the '=': ignored
    };
    Kind kind = blank;
    int number = 0;             // 1 for the first line
    std::string_view text;      // the whole line, without its end
    std::string_view end;       // its line end; empty on a last line that has none
    std::string_view content;   // the line without the blanks around it
    std::string_view name;      // section: between the brackets; key: before the '='; blanks trimmed
    std::string_view value;     // key: after the '=', blanks trimmed; section: after the ']', trimmed
    std::size_t value_at = 0;   // key: where the value starts in text
    std::size_t next_at = 0;    // where the next line starts in the whole text
};

// The next line of the text after line, read into line; the first line (after
// a leading UTF-8 byte-order mark) when line is a fresh IniLine. False after
// the last line: a last line end makes no empty line after it. Nothing is
// copied or allocated, the views point into the text, so that a frame can
// read the file: for (IniLine line; next_ini_line(text, line);) ...
bool next_ini_line(std::string_view text, IniLine& line);

// Every line of the text, in order, as next_ini_line reads them.
std::vector<IniLine> ini_lines(std::string_view text);

// The text without a leading UTF-8 byte-order mark.
std::string_view without_byte_order_mark(std::string_view text);

// Blanks out every line whose first non-blank character is '[' and that holds
// no ']': such a line is ignored, where the reader would otherwise open a
// garbled section that swallows the keys below it. Line ends, the byte-order
// mark and every other byte pass through unchanged, so line numbers hold.
std::string drop_unclosed_section_lines(std::string text);
