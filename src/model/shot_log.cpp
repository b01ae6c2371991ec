#include "model/shot_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "config/settings.h"
#include "config/settings_text.h"
#include "host/on_screen.h"
#include "model/shot_replay.h"

PlayLog play_log;

namespace {

bool log_file_open() { return play_log.file_open; }
// The last bytes of a file read when it is opened: enough for its last two lines.
constexpr std::size_t log_tail_size = 1024;

#if defined(_WIN32)

HANDLE log_file() { return reinterpret_cast<HANDLE>(play_log.file); }

// Opens (or makes) the file for appending: its size, and its last bytes (at
// most log_tail_size) in tail.
bool open_log_file(char* tail, std::size_t& tail_size) {
    const HANDLE file = CreateFileA(shot_log_file_name, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    play_log.file = reinterpret_cast<std::intptr_t>(file);
    play_log.file_open = file != INVALID_HANDLE_VALUE;
    if (!log_file_open()) return false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(log_file(), &size) == 0) return false;
    play_log.file_size = static_cast<std::uint64_t>(size.QuadPart);
    tail_size = play_log.file_size < log_tail_size ? static_cast<std::size_t>(play_log.file_size) : log_tail_size;
    if (tail_size == 0) return true;
    LARGE_INTEGER from;
    from.QuadPart = static_cast<LONGLONG>(play_log.file_size - tail_size);
    DWORD read = 0;
    return SetFilePointerEx(log_file(), from, nullptr, FILE_BEGIN) != 0 &&
           ReadFile(log_file(), tail, static_cast<DWORD>(tail_size), &read, nullptr) != 0 && read == tail_size;
}

// Appends the bytes whole, or else leaves the file as it was.
bool append_to_log_file(const char* bytes, std::size_t size) {
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(play_log.file_size);
    DWORD written = 0;
    if (SetFilePointerEx(log_file(), end, nullptr, FILE_BEGIN) != 0 &&
        WriteFile(log_file(), bytes, static_cast<DWORD>(size), &written, nullptr) != 0 && written == size) {
        play_log.file_size += size;
        return true;
    }
    if (SetFilePointerEx(log_file(), end, nullptr, FILE_BEGIN) != 0) SetEndOfFile(log_file());
    return false;
}

void close_log_file() {
    if (log_file_open()) CloseHandle(log_file());
    play_log.file_open = false;
}

#else

int log_file() { return static_cast<int>(play_log.file); }

bool open_log_file(char* tail, std::size_t& tail_size) {
    const int file = ::open(shot_log_file_name, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    play_log.file = file;
    play_log.file_open = file >= 0;
    if (!log_file_open()) return false;
    struct stat status {};
    if (::fstat(log_file(), &status) != 0) return false;
    play_log.file_size = static_cast<std::uint64_t>(status.st_size);
    tail_size = play_log.file_size < log_tail_size ? static_cast<std::size_t>(play_log.file_size) : log_tail_size;
    if (tail_size == 0) return true;
    return ::pread(log_file(), tail, tail_size, static_cast<off_t>(play_log.file_size - tail_size)) ==
           static_cast<ssize_t>(tail_size);
}

bool append_to_log_file(const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(log_file(), bytes + done, size - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    if (done == size) {
        play_log.file_size += size;
        return true;
    }
    // A row cut short would spoil the file for its readers: back to the last whole row.
    if (done > 0 && ::ftruncate(log_file(), static_cast<off_t>(play_log.file_size)) != 0) return false;
    return false;
}

void close_log_file() {
    if (log_file_open()) ::close(log_file());
    play_log.file_open = false;
}

#endif

// The log ends for this game; with the banner when the game can still show it.
void stop_log(bool show_banner) {
    close_log_file();
    play_log.stopped = true;
    play_log.pending_size = 0;
    if (show_banner) show_notification(shot_log_failure_text);
}

// Whether rows appended after the file's last bytes stand under this
// version's header: its last whole line is that header, or a row with as many
// fields. A new file, and one whose last lines an earlier version wrote, get
// the header first.
bool under_current_header(std::string_view end, bool whole_file) {
    const std::size_t stop = end.rfind('\n');
    if (stop == std::string_view::npos) return false;
    const std::string_view before = end.substr(0, stop);
    std::size_t start = before.rfind('\n');
    if (start == std::string_view::npos) {
        if (!whole_file) return false;
        start = 0;
    } else {
        ++start;
    }
    std::string_view line = before.substr(start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view header = shot_log_header;
    if (line == header) return true;
    const auto fields = [](std::string_view text) { return std::count(text.begin(), text.end(), ',') + 1; };
    return fields(line) == fields(header) && !line.starts_with("session,");
}

// What the file needs before the first new row: a line break after a last
// line left without one, and the header unless the rows above are this
// version's.
bool begin_log_file() {
    char tail[log_tail_size];
    std::size_t tail_size = 0;
    if (!open_log_file(tail, tail_size)) return false;
    const std::string_view end(tail, tail_size);
    if (!end.empty() && end.back() != '\n' && !append_to_log_file("\n", 1)) return false;
    if (under_current_header(end, tail_size == play_log.file_size)) return true;
    char header[512];
    const int length = std::snprintf(header, sizeof header, "%s\n", shot_log_header);
    return append_to_log_file(header, static_cast<std::size_t>(length));
}

// Writes the pending rows, as many whole rows as the size limit leaves room
// for; a file that cannot be written stops the log.
void write_pending_rows(bool show_banner) {
    if (play_log.pending_size == 0 || play_log.stopped) return;
    if (!log_file_open() && !begin_log_file()) {
        stop_log(show_banner);
        return;
    }
    std::size_t size = play_log.pending_size;
    const std::uint64_t room = play_log.file_size < shot_log_size_limit ? shot_log_size_limit - play_log.file_size : 0;
    const bool full = size > room;
    if (full) {
        size = static_cast<std::size_t>(room);
        while (size > 0 && play_log.pending[size - 1] != '\n') --size;
    }
    if (size > 0 && !append_to_log_file(play_log.pending, size)) {
        stop_log(show_banner);
        return;
    }
    play_log.pending_size = 0;
    if (full) stop_log(false);
}

// The UTC date and time now, "YYYY-MM-DDTHH:MM:SSZ".
void format_utc_now(char (&out)[shot_log_session_size]) {
#if defined(_WIN32)
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::snprintf(out, sizeof out, "%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{now.wYear}, unsigned{now.wMonth},
                  unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
#else
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
#endif
}

void begin_session_after_change() {
    char now[shot_log_session_size];
    format_utc_now(now);
    // The session in force began in this second when it is this text, alone
    // or with its repeat appended.
    const std::size_t length = std::strlen(now);
    const bool same_second = std::strncmp(play_log.session, now, length) == 0 &&
                             (play_log.session[length] == 0 || play_log.session[length] == '/');
    if (!same_second) {
        std::memcpy(play_log.session, now, length + 1);
        play_log.earlier_in_second = 0;
    } else {
        ++play_log.earlier_in_second;
        std::snprintf(play_log.session, sizeof play_log.session, "%.32s/%d", now, play_log.earlier_in_second + 1);
    }
    play_log.session_key = session_key(play_log.session);
}

// One field of a row, after a comma unless it is the first; false when it
// does not fit. A draw or a write the shot did not make is an empty field.
bool append_field(char* out, std::size_t room, std::size_t& at, ShotLogColumn column, const char* session,
                  const ShotRecord& record) {
    if (column != ShotLogColumn::session) {
        if (room - at < 2) return false;
        out[at++] = ',';
    }
    char* to = out + at;
    const std::size_t left = room - at;
    const auto number = [to, left](float value) { return std::snprintf(to, left, "%.9g", static_cast<double>(value)); };
    const auto hash = [to, left](GameHash value) {
        return std::snprintf(to, left, "0x%08X", static_cast<unsigned>(value));
    };
    const auto text = [to, left](const char* value) { return std::snprintf(to, left, "%s", value); };
    int length = 0;
    switch (column) {
        case ShotLogColumn::session: length = text(session); break;
        case ShotLogColumn::pass: length = std::snprintf(to, left, "%u", static_cast<unsigned>(record.pass)); break;
        case ShotLogColumn::ped: length = std::snprintf(to, left, "%d", static_cast<int>(record.ped)); break;
        case ShotLogColumn::kind: length = text(shooter_kind_of(record.is_npc)); break;
        case ShotLogColumn::weapon_class:
            length = text(record.weapon_class != nullptr ? record.weapon_class : "unknown");
            break;
        case ShotLogColumn::weapon_hash: length = hash(record.weapon_hash); break;
        case ShotLogColumn::temperature: length = number(record.temperature); break;
        case ShotLogColumn::dirt: length = number(record.dirt); break;
        case ShotLogColumn::game_degradation: length = number(record.game_degradation); break;
        case ShotLogColumn::effective_degradation: length = number(record.effective_degradation); break;
        case ShotLogColumn::base_degradation: length = text(record.base_degradation ? "1" : "0"); break;
        case ShotLogColumn::heat: length = number(record.heat); break;
        case ShotLogColumn::cold: length = number(record.cold); break;
        case ShotLogColumn::kick: length = number(record.kick); break;
        case ShotLogColumn::crack_chance: length = number(record.chances.crack_chance); break;
        case ShotLogColumn::explosion_chance: length = number(record.chances.explosion_chance); break;
        case ShotLogColumn::crack_degradation_limit: length = number(record.chances.crack_degradation_limit); break;
        case ShotLogColumn::roll: length = number(record.roll); break;
        case ShotLogColumn::outcome: length = text(shot_outcome_name(record.outcome)); break;
        case ShotLogColumn::firing_dirt:
            if (record.firing_dirt_drawn) length = number(record.firing_dirt);
            break;
        case ShotLogColumn::crack_wear:
            if (record.crack_wear > 0.0f) length = number(record.crack_wear);
            break;
        case ShotLogColumn::base_degradation_key:
            if (record.base_degradation_asked) length = hash(record.base_degradation_key);
            break;
        case ShotLogColumn::dirt_written:
            if (record.dirt_set) length = number(record.dirt_written);
            break;
        case ShotLogColumn::degradation_written:
            if (record.degradation_set) length = number(record.degradation_written);
            break;
    }
    if (length < 0 || static_cast<std::size_t>(length) >= left) return false;
    at += static_cast<std::size_t>(length);
    return true;
}

}  // namespace

void start_shot_log_session() {
    format_utc_now(play_log.session);
    play_log.session_key = session_key(play_log.session);
    play_log.earlier_in_second = 0;
    play_log.settings_generation = settings_text.generation;
}

void follow_settings_changes() {
    for (; play_log.settings_generation != settings_text.generation; ++play_log.settings_generation) {
        begin_session_after_change();
    }
}

void make_room_for_shot_row() {
    if (!settings.shot_log || play_log.stopped) return;
    if (shot_log_storage_size - play_log.pending_size < shot_log_row_room) write_pending_rows(true);
}

int format_shot_log_row(char* out, std::size_t room, const char* session, const ShotRecord& record) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < shot_log_columns.size(); ++i) {
        if (!append_field(out, room, at, static_cast<ShotLogColumn>(i), session, record)) return -1;
    }
    if (room - at < 2) return -1;
    out[at++] = '\n';
    out[at] = 0;
    return static_cast<int>(at);
}

void log_shot(const ShotRecord& record) {
    if (!settings.shot_log || play_log.stopped) return;
    // make_room_for_shot_row has made room, unless the log was turned on in between.
    if (shot_log_storage_size - play_log.pending_size < shot_log_row_room) return;
    const int length =
        format_shot_log_row(play_log.pending + play_log.pending_size, shot_log_row_room, play_log.session, record);
    if (length > 0) play_log.pending_size += static_cast<std::size_t>(length);
}

void write_shot_log_if_due(std::uint32_t pass) {
    follow_settings_changes();
    if (settings.shot_log) {
        if (pass % shot_log_write_passes == 0) write_pending_rows(true);
    } else if (play_log.pending_size > 0 || log_file_open()) {
        // Turned off by a reload: what it logged is written, the file let go.
        write_pending_rows(true);
        close_log_file();
    }
}

void close_shot_log() {
    write_pending_rows(false);
    close_log_file();
}
