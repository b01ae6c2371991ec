#pragma once
// The settings as edited in the game: the file's text, and the text the
// settings in force were built from (the file's, with the menu's edits). An
// edit rebuilds every setting from the edited text through the one loader,
// as a reload does, and takes effect from the next pass; undo goes back to
// the file's text; save writes the edited text to the file, which then holds
// it. The barrel's heat and cold, a running camera kick and the heat smoke
// are not settings and are kept.

#include <cstdint>
#include <string>
#include <string_view>

// The bytes of Barrelburst.ini as last read or saved (empty when missing).
extern std::string settings_file_text;
// The text the settings in force were built from.
extern std::string settings_edited_text;
// Times the settings were built from the file's own text (the first load,
// reloads); the menu's own edits, undo and save do not count.
extern std::uint32_t settings_file_reads;

// The settings from the file's text, which both texts then hold.
void take_settings_file_text(std::string text);

// Sets one key's value in the edited text and rebuilds the settings from it;
// a change in play, so the play log begins a new session.
void apply_settings_edit(std::string_view section, std::string_view key, std::string_view value);
// Back to the file's text, when it was edited.
void undo_settings_edits();
// Whether the edited text differs from the file's.
bool settings_edited();

// The file written beside Barrelburst.ini before it replaces it.
inline constexpr const char* settings_save_file_name = "Barrelburst.ini.new";
// Writes the edited text to a new file beside Barrelburst.ini and puts it in
// the file's place, so that a failed write leaves the file whole; false when
// it could not (the edits stay in force). A save never triggers a reload.
bool save_settings_edits();
