#include "config/settings_edit.h"

#include <cstdio>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "config/ini_edit.h"
#include "config/settings.h"
#include "config/settings_reload.h"
#include "model/shot_log.h"

std::string settings_file_text;
std::string settings_edited_text;
std::uint32_t settings_file_reads = 0;

namespace {

// The edited text in force: the settings rebuilt from it, and a new session
// of the play log. Reloading starts to watch the file when the edit turned it
// on, so that the file as it stands now is not taken for a change.
void rebuild_from_edited_text() {
    const bool was_watching = settings.reload_when_changed;
    load_settings_from_text(settings_edited_text);
    if (settings.reload_when_changed && !was_watching) watch_settings_file();
    begin_shot_log_session_after_change();
}

bool write_whole(const char* name, const std::string& text) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

bool replace_file(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace

void take_settings_file_text(std::string text) {
    settings_file_text = std::move(text);
    settings_edited_text = settings_file_text;
    load_settings_from_text(settings_file_text);
    ++settings_file_reads;
}

void apply_settings_edit(std::string_view section, std::string_view key, std::string_view value) {
    settings_edited_text = with_value(settings_edited_text, section, key, value);
    rebuild_from_edited_text();
}

void undo_settings_edits() {
    if (!settings_edited()) return;
    settings_edited_text = settings_file_text;
    rebuild_from_edited_text();
}

bool settings_edited() { return settings_edited_text != settings_file_text; }

bool save_settings_edits() {
    if (!write_whole(settings_save_file_name, settings_edited_text) ||
        !replace_file(settings_save_file_name, settings_file_name)) {
        std::remove(settings_save_file_name);
        return false;
    }
    settings_file_text = settings_edited_text;
    // The file now holds what is in force: not a change to reload.
    if (settings.reload_when_changed) watch_settings_file();
    return true;
}
