#pragma once
// `log FILE [--ini INI [--replay OUT]] [--format text|json]`: what a shot log says about a
// modder's real game, session by session, in text or as one JSON object,
// with the findings as `check` prints them.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <ostream>

#include "shared/findings.h"
#include "log/log_replay.h"

namespace sim {

void print_log_text(std::ostream& out, const AnalysedLog& log);
// The replay of one session under an INI, as the JSON's "with_ini" gives it;
// and what a replay decides and holds, as its "replay".
nlohmann::ordered_json replay_json(const LogSession& session, const ReplayedSession& replayed, const std::string& ini);
nlohmann::ordered_json replay_texts_json();
void print_log_json(std::ostream& out, const AnalysedLog& log);

// Prints the log, and with an INI writes its replayed shots to replay_to
// when given; the exit status: 0 when nothing is flagged, 1 when something
// is, 2 when the log or the INI cannot be read or the replay not written.
int log_command(const std::filesystem::path& file, const std::optional<std::filesystem::path>& ini,
                const std::optional<std::filesystem::path>& replay_to, OutputFormat format, std::ostream& out,
                std::ostream& err);

}  // namespace sim
