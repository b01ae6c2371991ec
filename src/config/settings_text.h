#pragma once
// The text of Barrelburst.ini in force, held in one place: the file's text,
// the text as edited in the game (the settings in force are built from it
// through the one loader), where each came from, and a count of the times
// the settings in force were built. The first load, live reloading and the
// menu's edits, undo and save all go through here; whoever follows a change
// asks the count (the play log begins a new session per change, live
// reloading watches the file anew), and the menu asks what differs from the
// file instead of reading the texts again.
//
// The barrel's heat and cold, a running camera kick and the heat smoke are
// not settings: a change keeps them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_table.h"

enum class SettingsTextOrigin : std::uint8_t {
    none,    // nothing read yet
    read,    // Barrelburst.ini as read, at the start or again by live reloading
    saved,   // the text the menu saved into Barrelburst.ini
    edited,  // the file's text with the menu's edits
};

struct SettingsText {
    std::string file_text;  // Barrelburst.ini's bytes as last read or saved (empty when missing)
    SettingsTextOrigin file_origin = SettingsTextOrigin::none;
    std::string edited_text;  // the text the settings in force were built from
    SettingsTextOrigin edited_origin = SettingsTextOrigin::none;
    std::uint32_t generation = 0;  // builds of the settings in force, the first load's included
    std::uint32_t file_reads = 0;  // of those, from the file's text as read
    std::uint32_t saves = 0;
    // Per named key (all_setting_names()): the edited text gives it another
    // value text than the file's; and the value the file's text gives the
    // plugin (its default where the file gives none).
    std::array<bool, setting_name_limit> differs{};
    std::vector<SettingValue> file_values;  // a text key's is the empty text
};
extern SettingsText settings_text;

// Reads Barrelburst.ini from the working directory and fills every setting.
// Never fails: a missing or unreadable file gives the defaults.
void load_settings();
// The whole file; nothing when it is missing, unreadable or too large.
std::optional<std::string> read_settings_file();
// The loader: every key of the key table from the file's bytes, its text's
// value or its default, stored where the table says.
void load_settings_from_text(std::string text);

// Barrelburst.ini's text as read: both texts hold it, the settings are built
// from it.
void take_settings_file_text(std::string text);

// Sets one key's value in the edited text and builds the settings from it;
// they take effect from the next pass.
void apply_settings_edit(std::string_view section, std::string_view key, std::string_view value);
// Back to the file's text, when it was edited.
void undo_settings_edits();
// Whether the edited text differs from the file's.
bool settings_edited();

// The file written beside Barrelburst.ini before it replaces it.
inline constexpr const char* settings_save_file_name = "Barrelburst.ini.new";
// Writes the edited text to a new file beside Barrelburst.ini and puts it in
// the file's place, so that a failed write leaves the file whole; false when
// it could not (the edits stay in force).
bool save_settings_edits();
