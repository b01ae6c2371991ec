#pragma once
// `report`: the tuner page (Barrelburst-tuner.html, the plugin's own code in
// the browser) with an INI, a shot log and the fight's scenario and seed
// carried in it, so that it opens with them drawn and ready to edit. They
// travel as inert data (a JSON script element, which never runs), each
// file's bytes deflated and in base64; a file too large for the page is left
// out, and the page says so.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace sim {

struct ReportOptions {
    std::optional<std::filesystem::path> ini;  // none: the shipped defaults
    std::optional<std::filesystem::path> log;  // a shot log of the modder's game
    std::string scenario;                      // a shipped scenario's name; empty: the default
    std::optional<std::uint32_t> seed;         // none: the scenario's
};

// Every file the page carries together: at most this many bytes of base64.
inline constexpr std::size_t report_embedded_limit = 3u << 20;
// An INI larger than this (30 times the shipped one) is not carried: the
// page reads the INI anew at every edit.
inline constexpr std::uintmax_t report_largest_ini = 256u << 10;

// The built page the report fills: beside the tool, else the build's.
std::filesystem::path tuner_page_file();

// Writes the page with its data; throws ToolError naming the file that
// cannot be read or written.
void write_report(const ReportOptions& options, const std::filesystem::path& out);

// The name of the page that dropping an INI on the tool writes beside it.
inline constexpr const char* dropped_report_name = "Barrelburst-report.html";

}  // namespace sim
