#pragma once
// The shots of a log under another INI: each row's chances recomputed by the
// plugin's own shot_chances() and shot_outcome() from the row's dirt,
// effective degradation, barrel heat and cold, with that INI's class tuning
// and cap, and the row's own roll. What this holds fixed: the heat, dirt and
// degradation stay as they were in play, and every later row stays in the
// log (a gun that would not have exploded under this INI still vanishes from
// the later rows; one that would have exploded still fires in them).

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "log/shot_log_reader.h"

namespace sim {

struct RecomputedFigures {
    std::int64_t shots = 0;
    std::int64_t cracks = 0;
    std::int64_t explosions = 0;
};

struct RecomputedSession {
    std::int64_t cracks = 0;
    std::int64_t explosions = 0;
    std::array<RecomputedFigures, log_group_count> groups{};
};

// While it lives, the plugin's settings are the INI's; its destructor puts
// every global of the plugin back.
class LogRecomputation {
public:
    // The settings from an INI's bytes; ini names it.
    LogRecomputation(const std::string& text, std::string ini);
    ~LogRecomputation();
    LogRecomputation(const LogRecomputation&) = delete;
    LogRecomputation& operator=(const LogRecomputation&) = delete;

    // The row's shot under the INI (a sink for read_shot_log).
    void add(std::size_t session, const LogRow& row);
    LogRowSink sink() {
        return [this](std::size_t session, const LogRow& row) { add(session, row); };
    }

    const std::string& ini() const { return ini_; }
    // By the session index of the log; a session without rows has none.
    const std::vector<RecomputedSession>& sessions() const { return sessions_; }

private:
    std::string ini_;
    std::vector<RecomputedSession> sessions_;
};

// A log read, and with an INI its shots under that INI (the plugin's globals
// are put back afterwards).
struct AnalysedLog {
    ShotLog log;
    std::optional<std::string> ini;        // the INI's name, when one was given
    std::vector<RecomputedSession> with_ini;  // one per session of the log, with an INI
};

// Throws ToolError naming the file (the log or the INI) that cannot be read.
AnalysedLog analyse_log(const std::filesystem::path& log, const std::optional<std::filesystem::path>& ini);
AnalysedLog analyse_log_text(std::string_view text, const std::string& file, const std::optional<std::string>& ini_text,
                             const std::string& ini_name = {});

}  // namespace sim
