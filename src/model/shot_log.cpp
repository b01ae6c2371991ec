#include "model/shot_log.h"

#include <cstdio>
#include <cstring>
#include <ctime>

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
#include "host/on_screen.h"

char shot_log_session[64];
char shot_log_pending[shot_log_storage_size];
std::size_t shot_log_pending_size = 0;
bool shot_log_stopped = false;

namespace {

// The open file and its size; the file is opened at the first write and kept
// open until the log ends.
#if defined(_WIN32)
HANDLE log_file = INVALID_HANDLE_VALUE;
bool log_file_open() { return log_file != INVALID_HANDLE_VALUE; }
#else
int log_file = -1;
bool log_file_open() { return log_file >= 0; }
#endif
std::uint64_t log_file_size = 0;

#if defined(_WIN32)

// Opens (or makes) the file for appending; its size and whether it ends in a
// line break.
bool open_log_file(bool& ends_in_line_break) {
    log_file = CreateFileA(shot_log_file_name, GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!log_file_open()) return false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(log_file, &size) == 0) return false;
    log_file_size = static_cast<std::uint64_t>(size.QuadPart);
    ends_in_line_break = true;
    if (log_file_size == 0) return true;
    LARGE_INTEGER last;
    last.QuadPart = size.QuadPart - 1;
    char byte = 0;
    DWORD read = 0;
    if (SetFilePointerEx(log_file, last, nullptr, FILE_BEGIN) == 0 ||
        ReadFile(log_file, &byte, 1, &read, nullptr) == 0 || read != 1) {
        return false;
    }
    ends_in_line_break = byte == '\n';
    return true;
}

// Appends the bytes whole, or else leaves the file as it was.
bool append_to_log_file(const char* bytes, std::size_t size) {
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(log_file_size);
    DWORD written = 0;
    if (SetFilePointerEx(log_file, end, nullptr, FILE_BEGIN) != 0 &&
        WriteFile(log_file, bytes, static_cast<DWORD>(size), &written, nullptr) != 0 && written == size) {
        log_file_size += size;
        return true;
    }
    if (SetFilePointerEx(log_file, end, nullptr, FILE_BEGIN) != 0) SetEndOfFile(log_file);
    return false;
}

void close_log_file() {
    if (log_file_open()) CloseHandle(log_file);
    log_file = INVALID_HANDLE_VALUE;
}

#else

bool open_log_file(bool& ends_in_line_break) {
    log_file = ::open(shot_log_file_name, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (!log_file_open()) return false;
    struct stat status {};
    if (::fstat(log_file, &status) != 0) return false;
    log_file_size = static_cast<std::uint64_t>(status.st_size);
    ends_in_line_break = true;
    if (log_file_size == 0) return true;
    char byte = 0;
    if (::pread(log_file, &byte, 1, static_cast<off_t>(log_file_size - 1)) != 1) return false;
    ends_in_line_break = byte == '\n';
    return true;
}

bool append_to_log_file(const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(log_file, bytes + done, size - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    if (done == size) {
        log_file_size += size;
        return true;
    }
    // A row cut short would spoil the file for its readers: back to the last whole row.
    if (done > 0 && ::ftruncate(log_file, static_cast<off_t>(log_file_size)) != 0) return false;
    return false;
}

void close_log_file() {
    if (log_file_open()) ::close(log_file);
    log_file = -1;
}

#endif

// The log ends for this game; with the banner when the game can still show it.
void stop_log(bool show_banner) {
    close_log_file();
    shot_log_stopped = true;
    shot_log_pending_size = 0;
    if (show_banner) show_notification(shot_log_failure_text);
}

// What the file needs before the first new row: the header in a new or empty
// file, a line break after a last line left without one.
bool begin_log_file() {
    bool ends_in_line_break = true;
    if (!open_log_file(ends_in_line_break)) return false;
    if (log_file_size == 0) {
        char header[512];
        const int length = std::snprintf(header, sizeof header, "%s\n", shot_log_header);
        return append_to_log_file(header, static_cast<std::size_t>(length));
    }
    return ends_in_line_break || append_to_log_file("\n", 1);
}

// Writes the pending rows, as many whole rows as the size limit leaves room
// for; a file that cannot be written stops the log.
void write_pending_rows(bool show_banner) {
    if (shot_log_pending_size == 0 || shot_log_stopped) return;
    if (!log_file_open() && !begin_log_file()) {
        stop_log(show_banner);
        return;
    }
    std::size_t size = shot_log_pending_size;
    const std::uint64_t room = log_file_size < shot_log_size_limit ? shot_log_size_limit - log_file_size : 0;
    const bool full = size > room;
    if (full) {
        size = static_cast<std::size_t>(room);
        while (size > 0 && shot_log_pending[size - 1] != '\n') --size;
    }
    if (size > 0 && !append_to_log_file(shot_log_pending, size)) {
        stop_log(show_banner);
        return;
    }
    shot_log_pending_size = 0;
    if (full) stop_log(false);
}

}  // namespace

void start_shot_log_session() {
#if defined(_WIN32)
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::snprintf(shot_log_session, sizeof shot_log_session, "%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{now.wYear},
                  unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute},
                  unsigned{now.wSecond});
#else
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::snprintf(shot_log_session, sizeof shot_log_session, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
#endif
}

void log_shot(const ShotRecord& record) {
    if (!settings.shot_log || shot_log_stopped) return;
    if (shot_log_storage_size - shot_log_pending_size < shot_log_row_room) {
        write_pending_rows(true);
        if (shot_log_stopped) return;
    }
    const auto d = [](float value) { return static_cast<double>(value); };
    char* row = shot_log_pending + shot_log_pending_size;
    const int length = std::snprintf(
        row, shot_log_row_room, "%s,%u,%d,%s,%s,0x%08X,%.9g,%.9g,%.9g,%.9g,%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%s\n",
        shot_log_session, static_cast<unsigned>(record.pass), static_cast<int>(record.ped),
        shooter_kind_of(record.is_npc), record.weapon_class != nullptr ? record.weapon_class : "unknown",
        static_cast<unsigned>(record.weapon_hash), d(record.temperature), d(record.dirt), d(record.game_degradation),
        d(record.effective_degradation), record.base_degradation ? 1 : 0, d(record.heat), d(record.cold),
        d(record.kick), d(record.chances.crack_chance), d(record.chances.explosion_chance),
        d(record.chances.crack_degradation_limit), d(record.roll), shot_outcome_name(record.outcome));
    if (length > 0 && static_cast<std::size_t>(length) < shot_log_row_room) {
        shot_log_pending_size += static_cast<std::size_t>(length);
    }
}

void write_shot_log_if_due(std::uint32_t pass) {
    if (settings.shot_log) {
        if (pass % shot_log_write_passes == 0) write_pending_rows(true);
    } else if (shot_log_pending_size > 0 || log_file_open()) {
        // Turned off by a reload: what it logged is written, the file let go.
        write_pending_rows(true);
        close_log_file();
    }
}

void close_shot_log() {
    write_pending_rows(false);
    close_log_file();
}
