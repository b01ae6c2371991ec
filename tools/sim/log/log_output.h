#pragma once
// `log FILE [--ini INI] [--format text|json]`: what a shot log says about a
// modder's real game, session by session, in text or as one JSON object,
// with the findings as `check` prints them.

#include <filesystem>
#include <optional>
#include <ostream>

#include "shared/findings.h"
#include "log/log_recompute.h"

namespace sim {

void print_log_text(std::ostream& out, const AnalysedLog& log);
void print_log_json(std::ostream& out, const AnalysedLog& log);

// Prints the log; the exit status: 0 when nothing is flagged, 1 when
// something is, 2 when the log or the INI cannot be read.
int log_command(const std::filesystem::path& file, const std::optional<std::filesystem::path>& ini,
                OutputFormat format, std::ostream& out, std::ostream& err);

}  // namespace sim
