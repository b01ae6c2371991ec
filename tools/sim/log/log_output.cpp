#include "log/log_output.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "shared/text_format.h"
#include "shared/tool_error.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

double d(float value) { return static_cast<double>(value); }
long long n(std::int64_t value) { return static_cast<long long>(value); }

// A text from the log, with control characters shown as '?' (a terminal
// would act on them).
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return out;
}

std::string session_title(const LogSession& s) {
    return s.session.empty() ? std::string("One session (the file has no session column)")
                             : "Session " + printable(s.session);
}

// ------------------------------------------------------------------ text

void print_groups(std::ostream& out, const LogSession& s) {
    out << "\n  kind    class      shots  cracks  expected  explosions  expected  shots/s of firing  next pass\n";
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& f = s.groups[g];
        if (f.shots == 0) continue;
        out << format("  %-6s  %-9s %6lld  %6lld  %8.2f  %10lld  %8.2f  %17.2f  %lld (%.0f %%)\n", log_group_kind(g),
                      log_group_class(g), n(f.shots), n(f.cracks), f.expected_cracks, n(f.explosions),
                      f.expected_explosions, f.shots_per_second_of_firing(), n(f.next_pass_shots),
                      f.next_pass_share() * 100.0);
    }
}

void print_with_ini(std::ostream& out, const LogSession& s, const RecomputedSession& r, const std::string& ini) {
    out << "\n  The same shots under " << ini << ":\n";
    out << "  kind    class      cracks  (logged)  explosions  (logged)\n";
    for (std::size_t g = 0; g < log_group_count; ++g) {
        if (s.groups[g].shots == 0) continue;
        out << format("  %-6s  %-9s %6lld  %8lld  %10lld  %8lld\n", log_group_kind(g), log_group_class(g),
                      n(r.groups[g].cracks), n(s.groups[g].cracks), n(r.groups[g].explosions),
                      n(s.groups[g].explosions));
    }
}

void print_spread(std::ostream& out, const char* name, const ValueSpread& v) {
    const std::int64_t outside = v.bins[spread_bins - 1];
    const std::string note = outside > 0 ? format("  (%lld outside 0 to 1)", n(outside)) : std::string();
    if (v.count == 0) {
        out << format("    %-11s  none in 0 to 1", name) << note << "\n";
        return;
    }
    out << format("    %-11s %6.3f  %6.3f  %6.3f  %6.3f  %6.3f", name, v.min, v.q25, v.median, v.q75, v.max) << note
        << "\n";
}

void print_weapons_and_barrel(std::ostream& out, const LogSession& s) {
    const NpcWeapons& w = s.npc_weapons;
    out << "\n  NPC weapons met: " << w.count;
    if (w.count > 0) {
        out << " (the dirt and degradation of each one's first shot in the session)\n";
        out << "                   min    25 %  median    75 %     max\n";
        print_spread(out, "dirt", w.dirt);
        print_spread(out, "degradation", w.degradation);
    } else {
        out << "\n";
    }
    if (s.player_shots == 0) {
        out << "  The player's barrel: no shot of the player\n";
        return;
    }
    const auto peak = [](const std::optional<LogPeak>& p) {
        return p ? format("%.3f (pass %u)", d(p->value), p->pass) : std::string("none (not a number)");
    };
    out << "  The player's barrel: peak heat " << peak(s.player_peak_heat) << ", peak cold "
        << peak(s.player_peak_cold) << "\n";
}

void print_session(std::ostream& out, const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    out << "\n" << session_title(s) << "\n";
    out << format("  passes %u to %u: %.1f minutes of play\n", s.first_pass, s.last_pass, s.minutes());
    out << format("  shots %lld (Player %lld, NPC %lld); cracks %lld (expected %.2f), explosions %lld (expected "
                  "%.2f)\n",
                  n(s.shots), n(s.player_shots), n(s.shots - s.player_shots), n(s.cracks), s.expected_cracks,
                  n(s.explosions), s.expected_explosions);
    if (a.ini) {
        out << "  under " << *a.ini << format(": cracks %lld, explosions %lld\n", n(a.with_ini[i].cracks),
                                                n(a.with_ini[i].explosions));
    }
    print_groups(out, s);
    if (a.ini) print_with_ini(out, s, a.with_ini[i], *a.ini);
    print_weapons_and_barrel(out, s);
}

// ------------------------------------------------------------------ JSON

Json spread_json(const ValueSpread& v) {
    const auto or_null = [&v](double value) { return v.count > 0 ? Json(value) : Json(nullptr); };
    return {{"count", v.count},         {"min", or_null(v.min)}, {"q25", or_null(v.q25)},
            {"median", or_null(v.median)}, {"q75", or_null(v.q75)}, {"max", or_null(v.max)},
            {"bins", v.bins}};
}

Json peak_json(const std::optional<LogPeak>& peak) {
    if (!peak) return nullptr;
    return {{"value", d(peak->value)}, {"pass", peak->pass}};
}

Json groups_json(const LogSession& s) {
    Json list = Json::array();
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& f = s.groups[g];
        if (f.shots == 0) continue;
        list.push_back({{"kind", log_group_kind(g)},
                        {"class", log_group_class(g)},
                        {"shots", f.shots},
                        {"cracks", f.cracks},
                        {"explosions", f.explosions},
                        {"expected_cracks", f.expected_cracks},
                        {"expected_explosions", f.expected_explosions},
                        {"firing_seconds", f.firing_seconds},
                        {"shots_per_second_of_firing", f.shots_per_second_of_firing()},
                        {"next_pass_shots", f.next_pass_shots},
                        {"next_pass_share", f.next_pass_share()}});
    }
    return list;
}

Json with_ini_json(const LogSession& s, const RecomputedSession& r, const std::string& ini) {
    Json list = Json::array();
    for (std::size_t g = 0; g < log_group_count; ++g) {
        if (s.groups[g].shots == 0) continue;
        list.push_back({{"kind", log_group_kind(g)},
                        {"class", log_group_class(g)},
                        {"shots", r.groups[g].shots},
                        {"cracks", r.groups[g].cracks},
                        {"explosions", r.groups[g].explosions}});
    }
    return {{"ini", ini}, {"cracks", r.cracks}, {"explosions", r.explosions}, {"classes", list}};
}

Json session_json(const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    Json j = {{"session", s.session.empty() ? Json(nullptr) : Json(s.session)},
              {"first_pass", s.first_pass},
              {"last_pass", s.last_pass},
              {"minutes", s.minutes()},
              {"shots", s.shots},
              {"cracks", s.cracks},
              {"explosions", s.explosions},
              {"expected_cracks", s.expected_cracks},
              {"expected_explosions", s.expected_explosions},
              {"classes", groups_json(s)},
              {"npc_weapons",
               {{"count", s.npc_weapons.count},
                {"dirt", spread_json(s.npc_weapons.dirt)},
                {"degradation", spread_json(s.npc_weapons.degradation)}}},
              {"player_peak_heat", peak_json(s.player_peak_heat)},
              {"player_peak_cold", peak_json(s.player_peak_cold)}};
    if (a.ini) j["with_ini"] = with_ini_json(s, a.with_ini[i], *a.ini);
    return j;
}

}  // namespace

void print_log_text(std::ostream& out, const AnalysedLog& a) {
    const ShotLog& log = a.log;
    out << "barrelburst-sim log: " << log.file << "\n";
    if (log.rows == 0) {
        out << "  no shots" << (log.skipped_rows > 0 ? format(" (%lld row(s) skipped)", n(log.skipped_rows)) : "")
            << "\n";
    } else {
        out << format("  %zu session(s), %lld shot(s)", log.sessions.size(), n(log.rows))
            << (log.skipped_rows > 0 ? format(", %lld row(s) skipped", n(log.skipped_rows)) : "")
            << "; 60 passes of the frame loop count as a second of play\n";
        out << "  Expected failures: the sum over the shots of the chances the plugin recorded.\n";
    }
    if (a.ini) {
        out << "  Under the INI " << *a.ini
            << ":\n"
               "  each shot's chances recomputed by the plugin's own code with that INI's class tuning and cap,\n"
               "  from the dirt, degradation, heat and cold the shot had, and its own roll. This holds the game as\n"
               "  it went: heat, dirt and degradation stay as they were, and a gun that would not have exploded\n"
               "  still vanishes from the later rows.\n";
    }
    for (std::size_t i = 0; i < log.sessions.size(); ++i) print_session(out, a, i);
    print_findings_text(out, log.file, log.findings);
}

void print_log_json(std::ostream& out, const AnalysedLog& a) {
    Json sessions = Json::array();
    for (std::size_t i = 0; i < a.log.sessions.size(); ++i) sessions.push_back(session_json(a, i));
    const Json document = {{"file", a.log.file},
                           {"rows", a.log.rows},
                           {"skipped_rows", a.log.skipped_rows},
                           {"ini", a.ini ? Json(*a.ini) : Json(nullptr)},
                           {"sessions", sessions},
                           {"findings", findings_json(a.log.findings)}};
    // Bytes of the log that are not UTF-8 become U+FFFD, so the output always parses.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int log_command(const std::filesystem::path& file, const std::optional<std::filesystem::path>& ini,
                OutputFormat format, std::ostream& out, std::ostream& err) {
    AnalysedLog analysed;
    try {
        analysed = analyse_log(file, ini);
    } catch (const ToolError& error) {
        err << "barrelburst-sim log: " << error.what() << "\n";
        return 2;
    }
    if (format == OutputFormat::json) {
        print_log_json(out, analysed);
    } else {
        print_log_text(out, analysed);
    }
    return analysed.log.findings.empty() ? 0 : 1;
}

}  // namespace sim
