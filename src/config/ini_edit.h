#pragma once
// Barrelburst.ini read and changed one value at a time, the way a careful
// person changes it in a text editor: the line the plugin reads the key from
// gets the new value, and nothing else of the file moves: every comment,
// blank line, key order, unknown key, letter case and line end stays. Lines
// are read as the plugin's INI reader reads them (ini_text.h: sections and
// keys without case, a repeated key's last line, a section given twice is one
// section, comments, an unclosed section line ignored). The in-game menu
// saves with these, and the tuner page edits with them.

#include <optional>
#include <string>
#include <string_view>

// The text with section/key set to value. A key the section lacks is added
// after the last line of the section (of its last part, when it is given
// twice); a section the file lacks is added at the end. New lines end as the
// file's first line does (LF where the file has no line end yet). Line breaks
// in the value are dropped: a value is one line. Like the reader, it stops
// at a NUL byte: the lines after it are kept as they are, and a key or
// section is added before it.
std::string with_value(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value);

// The value text the plugin's reader takes for section/key: the last one
// given, blanks around it trimmed; nullopt when the text gives none. Like the
// reader, it stops at a NUL byte, and keys above the first section header
// belong to the section without a name. It allocates nothing: the menu asks
// it while it draws.
std::optional<std::string_view> written_value(std::string_view text, std::string_view section,
                                              std::string_view key);
