#pragma once
// `report`: one self-contained HTML page that shows what an INI will do: the
// check's findings and the effective settings, the failure odds of each
// weapon class as heatmaps at a cool and a hot barrel, the camera recoil of
// one shot of each class, and a simulated fight; with a shot log of the
// modder's game, the section "Your game" first. Every figure comes from the
// plugin's own code in the stand-in host, or from its own log. The page runs
// no script and fetches nothing; every text from the INI, the scenario or the
// log is escaped.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "shared/findings.h"

namespace sim {

struct ReportOptions {
    std::optional<std::filesystem::path> ini;  // none: every setting at its default
    // A shot log of the modder's game: the section "Your game" (with an INI,
    // the same shots under it too).
    std::optional<std::filesystem::path> log;
    std::string scenario;                      // a file or a shipped name; empty: the default
    std::optional<std::uint32_t> seed;
};

// The page. Throws ToolError when the INI, the scenario or the log cannot be read.
std::string report_html(const ReportOptions& options);

// Writes the page to the file; throws ToolError naming the file when it cannot.
void write_report(const ReportOptions& options, const std::filesystem::path& out);

// The page lists this many findings at most, so that a broken file of any
// size still gives a page a browser opens well; the command named in the
// table's last row lists every one.
inline constexpr std::size_t page_findings_limit = 300;

// Findings as a table: line, severity, `what` (the message), what to do; past
// the limit, one row with the count of the rest and the command `lists_all`.
std::string findings_table(const std::vector<Finding>& findings, const std::string& what,
                           const std::string& lists_all);

// The name of the page that dropping an INI on the tool writes beside it.
inline constexpr const char* dropped_report_name = "Barrelburst-report.html";

}  // namespace sim
