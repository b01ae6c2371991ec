#pragma once
// Barrelburst.ini read into the settings: every key of the key table, the
// text's value or the key's default, stored where the table says.

#include <optional>
#include <string>

// Reads Barrelburst.ini from the working directory and fills every setting.
// Never fails: a missing or unreadable file gives the defaults.
void load_settings();
// The whole file; nothing when it is missing, unreadable or too large.
std::optional<std::string> read_settings_file();
// The same from the file's bytes.
void load_settings_from_text(std::string text);
