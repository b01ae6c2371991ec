#pragma once
// Barrelburst.ini with one value changed the way a careful person changes it
// in a text editor: the line the plugin reads the key from gets the new
// value, and nothing else of the file moves: every comment, blank line, key
// order, letter case and line ending stays. Lines are read as the plugin's
// INI reader reads them (sections and keys without case, a repeated key's
// last line, a section given twice is one section, comments, an unclosed
// section line ignored).

#include <string>

namespace tuner {

// The text with section/key set to value. A key the section lacks is added
// after the last line of the section (of its last part, when it is given
// twice); a section the file lacks is added at the end. New lines end as the
// file's first line does (LF where the file has no line end yet). Line breaks
// in the value are dropped: a value is one line.
std::string with_value(const std::string& text, const std::string& section, const std::string& key,
                       const std::string& value);

}  // namespace tuner
