#pragma once
// The play log: with [Main] shot_log on, every evaluated shot becomes one row
// of Barrelburst-shots.csv beside Barrelburst.ini. Rows are formatted into
// fixed storage as the shots happen and appended to the file once every 60
// passes of the frame loop, whenever the storage would otherwise overflow,
// and when the plugin is unloaded. A file that cannot be written stops the
// log for the rest of the game, with one banner.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/shot_record.h"

inline constexpr const char* shot_log_file_name = "Barrelburst-shots.csv";

// The log's columns, in their order. The header, the plugin's rows, the
// tools' reader and the replay's rows all come from this one table.
enum class ShotLogColumn : std::uint8_t {
    session, pass, ped, kind, weapon_class, weapon_hash, temperature, dirt, game_degradation, effective_degradation,
    base_degradation, heat, cold, kick, crack_chance, explosion_chance, crack_degradation_limit, roll, outcome,
    // The draws and the question of the shot, each empty where it had none.
    firing_dirt, crack_wear, base_degradation_key,
    // The last dirt and degradation the shot's natives set on the weapon,
    // each empty where it set none.
    dirt_written, degradation_written,
};
inline constexpr std::array<const char*, 24> shot_log_columns = {
    "session", "pass", "ped", "kind", "class", "weapon_hash", "temperature", "dirt", "game_degradation",
    "effective_degradation", "base_degradation", "heat", "cold", "kick", "crack_chance", "explosion_chance",
    "crack_degradation_limit", "roll", "outcome", "firing_dirt", "crack_wear", "base_degradation_key", "dirt_written",
    "degradation_written"};
static_assert(static_cast<std::size_t>(ShotLogColumn::degradation_written) + 1 == shot_log_columns.size());
inline constexpr const char* shot_log_column_name(ShotLogColumn column) {
    return shot_log_columns[static_cast<std::size_t>(column)];
}

namespace shot_log_detail {
constexpr std::size_t header_size() {
    std::size_t size = 0;
    for (const char* name : shot_log_columns) size += std::char_traits<char>::length(name) + 1;
    return size;
}
// The names joined by commas, with a NUL.
constexpr std::array<char, header_size()> header_text() {
    std::array<char, header_size()> text{};
    std::size_t at = 0;
    for (const char* name : shot_log_columns) {
        if (at > 0) text[at++] = ',';
        for (const char* c = name; *c != 0; ++c) text[at++] = *c;
    }
    return text;
}
inline constexpr std::array<char, header_size()> header = header_text();
}  // namespace shot_log_detail

// The first line of a log file, written when the file is missing or empty.
inline constexpr const char* shot_log_header = shot_log_detail::header.data();
inline constexpr const char* shot_log_failure_text = "Barrelburst-shots.csv cannot be written";

inline constexpr int shot_log_write_passes = 60;
// The file stops growing at this size.
inline constexpr std::uint64_t shot_log_size_limit = std::uint64_t{256} << 20;

// Room for the rows waiting to be written: several seconds of a busy fight.
inline constexpr std::size_t shot_log_storage_size = 64 * 1024;
// More than the longest row can take (sixteen numbers at "%.9g" and the rest).
inline constexpr std::size_t shot_log_row_room = 512;
inline constexpr std::size_t shot_log_session_size = 64;

// The log of this game, as it stands at load: all zeros, so that it sits in
// zeroed storage.
struct PlayLog {
    // The session of the rows logged now: the UTC date and time the script
    // started, "YYYY-MM-DDTHH:MM:SSZ", or of the last change of the settings
    // in play (from the menu or a reload), with "/2", "/3", ... after it when
    // the session in force began in the same second as the one before.
    char session[shot_log_session_size] = {};
    int earlier_in_second = 0;  // sessions begun before it in its second
    std::uint64_t session_key = 0;  // the session's key (shot_replay.h)
    // Rows formatted and not yet written.
    char pending[shot_log_storage_size] = {};
    std::size_t pending_size = 0;
    // The log has stopped for this game: the file could not be written, or
    // it reached its size limit.
    bool stopped = false;
    // The file, open from the first write until the log ends: a descriptor
    // (a handle on Windows); and its size.
    bool file_open = false;
    std::intptr_t file = 0;
    std::uint64_t file_size = 0;
    // The builds of the settings in force (settings_text.generation) the
    // sessions so far stand for.
    std::uint32_t settings_generation = 0;
};
extern PlayLog play_log;

// At the script's start, after the settings' first load: the session's
// time, from the system clock.
void start_shot_log_session();
// A new session for each change of the settings in play (a reload, the
// menu's edits) since the log last looked, so that each session is played
// under one tuning: the frame loop asks at the start of every pass, the menu
// as soon as it changed them.
void follow_settings_changes();
// When a shot has been rolled: room for its row, when the log is on (the rows
// that wait are written when the storage is full).
void make_room_for_shot_row();
// After the shot's outcome has played and its record is complete: its row,
// when the log is on.
void log_shot(const ShotRecord& record);
// One row of the log, with its line break, as at most room bytes and a NUL;
// its length, or a negative number when it does not fit.
int format_shot_log_row(char* out, std::size_t room, const char* session, const ShotRecord& record);
// At the start of every pass of the frame loop, after the settings' look:
// the pending rows at passes 60, 120, ...; everything pending, and the file
// closed, once the settings have turned the log off.
void write_shot_log_if_due(std::uint32_t pass);
// At unload: what is pending, then the file closed. Shows no banner.
void close_shot_log();
