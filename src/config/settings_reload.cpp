#include "config/settings_reload.h"

#include <optional>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "config/settings.h"
#include "config/settings_text.h"
#include "host/on_screen.h"

SettingsReload settings_reload;

SettingsFileStamp settings_file_stamp() {
    ++settings_reload.settings_file_checks;
    SettingsFileStamp stamp;
#if defined(_WIN32)
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(settings_file_name, GetFileExInfoStandard, &data) == 0 ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return stamp;
    }
    stamp.present = true;
    stamp.write_time = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    stamp.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
#else
    struct stat status {};
    if (::stat(settings_file_name, &status) != 0 || !S_ISREG(status.st_mode)) return stamp;
    stamp.present = true;
    stamp.write_time = static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                       static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
    stamp.size = static_cast<std::uint64_t>(status.st_size);
#endif
    return stamp;
}

void watch_settings_file() {
    settings_reload.loaded_settings_stamp = settings_file_stamp();
    settings_reload.checked_settings_stamp = settings_reload.loaded_settings_stamp;
    settings_reload.passes_since_settings_check = 0;
}

void load_settings_at_start() {
    take_settings_file_text(read_settings_file().value_or(std::string()));
    ++settings_reload.settings_loads;
    settings_reload.watching = settings.reload_when_changed;
    if (settings.reload_when_changed) watch_settings_file();
}

void follow_settings_text() {
    const bool turned_on = settings.reload_when_changed && !settings_reload.watching;
    const bool saved = settings_reload.saves_seen != settings_text.saves;
    settings_reload.watching = settings.reload_when_changed;
    settings_reload.saves_seen = settings_text.saves;
    if (settings.reload_when_changed && (turned_on || saved)) watch_settings_file();
}

void reload_settings_if_changed() {
    if (!settings.reload_when_changed) return;
    if (++settings_reload.passes_since_settings_check < settings_check_passes) return;
    settings_reload.passes_since_settings_check = 0;

    const SettingsFileStamp stamp = settings_file_stamp();
    if (!stamp.present) {
        // The settings stay; the file's return will count as a change.
        settings_reload.loaded_settings_stamp = stamp;
        settings_reload.checked_settings_stamp = stamp;
        return;
    }
    const bool held_still = stamp == settings_reload.checked_settings_stamp;
    settings_reload.checked_settings_stamp = stamp;
    if (!held_still || stamp == settings_reload.loaded_settings_stamp) return;

    std::optional<std::string> text = read_settings_file();
    if (!text) {
        // Unreadable for now: the settings stay, and the next check that
        // finds it still in place tries again.
        settings_reload.loaded_settings_stamp = SettingsFileStamp{};
        return;
    }
    // The file's text replaces whatever the menu had edited.
    take_settings_file_text(std::move(*text));
    ++settings_reload.settings_loads;
    settings_reload.loaded_settings_stamp = stamp;
    settings_reload.watching = settings.reload_when_changed;
    show_notification("Barrelburst.ini reloaded");
}
