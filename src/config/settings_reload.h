#pragma once
// Live tuning: with [Main] reload_when_changed on, the frame loop looks at
// Barrelburst.ini's last-write time and size once every 60 passes and loads
// the file again once a change has held still for one check, so that a file
// still being written is never read. With the switch off the file is never
// looked at again after the first load.

#include <cstdint>

// What the file system says of Barrelburst.ini.
struct SettingsFileStamp {
    bool present = false;  // a regular file that could be asked about
    std::uint64_t write_time = 0;
    std::uint64_t size = 0;
    bool operator==(const SettingsFileStamp&) const = default;
};

inline constexpr int settings_check_passes = 60;

struct SettingsReload {
    SettingsFileStamp loaded_settings_stamp;   // the file's at the last load (or missing since)
    SettingsFileStamp checked_settings_stamp;  // the file's at the last check
    int passes_since_settings_check = 0;
    int settings_file_checks = 0;  // file-system queries made
    int settings_loads = 0;        // loads of the settings, the first included
    // What the text in force stood at when reloading last looked: whether
    // the settings had reloading on, and the saves made.
    bool watching = false;
    std::uint32_t saves_seen = 0;
};
extern SettingsReload settings_reload;

// The file-system query: no game native, no wait.
SettingsFileStamp settings_file_stamp();

// Takes the file as it stands now for the one the settings were loaded from:
// only a later change of it is reloaded.
void watch_settings_file();

// The first load, at the script's start: the settings, and the file's stamp
// when the file turned reloading on.
void load_settings_at_start();

// After the menu changed the text in force or saved it: the file is watched
// from how it stands now when the change turned reloading on, or when the
// save rewrote the file (a save is never taken for a change to reload).
void follow_settings_text();

// At the start of every pass of the frame loop, before the ped scan.
void reload_settings_if_changed();
