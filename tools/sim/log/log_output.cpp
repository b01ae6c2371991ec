#include "log/log_output.h"

#include <nlohmann/json.hpp>

#include "shared/platform.h"
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

// A paragraph in lines of at most 100 characters, indented by two.
std::string wrapped(std::string_view text) {
    std::string out;
    std::size_t line = 0;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        if (line > 0 && line + 1 + word.size() > 100) {
            out += "\n";
            line = 0;
        }
        out += line == 0 ? "  " : " ";
        out += word;
        line += (line == 0 ? 2 : 1) + word.size();
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return out + "\n";
}

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

void print_with_ini(std::ostream& out, const LogSession& s, const ReplayedSession& r, const std::string& ini) {
    out << "\n  The same shots under " << ini << ":\n";
    out << "  kind    class      shots  (logged)  cracks  (logged)  explosions  (logged)  not fired\n";
    for (std::size_t g = 0; g < log_group_count; ++g) {
        if (s.groups[g].shots == 0) continue;
        const ReplayFigures& f = r.groups[g];
        out << format("  %-6s  %-9s %6lld  %8lld  %6lld  %8lld  %10lld  %8lld  %9lld\n", log_group_kind(g),
                      log_group_class(g), n(f.shots), n(s.groups[g].shots), n(f.cracks), n(s.groups[g].cracks),
                      n(f.explosions), n(s.groups[g].explosions), n(f.not_fired));
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
        const ReplayedSession& r = a.with_ini[i];
        out << "  under " << *a.ini
            << format(": shots %lld, cracks %lld, explosions %lld; not evaluated %lld (the scan is off), not fired "
                      "%lld (the gun had exploded)\n",
                      n(r.shots), n(r.cracks), n(r.explosions), n(r.not_evaluated), n(r.not_fired));
        if (r.drawn + r.dirt_and_wear_as_logged + r.unknown_group > 0) {
            out << format("  %lld shot(s) with a draw the log lacks, drawn from the row; %lld shot(s) with dirt and wear "
                          "as logged (a log that does not say what each shot wrote); %lld NPC shot(s) asking the base list for a "
                          "shooter whose group no row gives\n",
                          n(r.drawn), n(r.dirt_and_wear_as_logged), n(r.unknown_group));
        }
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
        list.push_back({{"kind", log_group_kind(g)}, {"class", log_group_class(g)}, {"shots", f.shots},
                        {"cracks", f.cracks}, {"explosions", f.explosions}, {"expected_cracks", f.expected_cracks},
                        {"expected_explosions", f.expected_explosions}, {"firing_seconds", f.firing_seconds},
                        {"shots_per_second_of_firing", f.shots_per_second_of_firing()},
                        {"next_pass_shots", f.next_pass_shots}, {"next_pass_share", f.next_pass_share()}});
    }
    return list;
}

}  // namespace

Json replay_json(const LogSession& s, const ReplayedSession& r, const std::string& ini) {
    Json list = Json::array();
    for (std::size_t g = 0; g < log_group_count; ++g) {
        if (s.groups[g].shots == 0) continue;
        const ReplayFigures& f = r.groups[g];
        list.push_back({{"kind", log_group_kind(g)}, {"class", log_group_class(g)}, {"shots", f.shots},
                        {"cracks", f.cracks}, {"explosions", f.explosions}, {"not_fired", f.not_fired}});
    }
    return {{"ini", ini}, {"shots", r.shots}, {"cracks", r.cracks}, {"explosions", r.explosions},
            {"not_evaluated", r.not_evaluated}, {"not_fired", r.not_fired}, {"drawn", r.drawn},
            {"dirt_and_wear_as_logged", r.dirt_and_wear_as_logged}, {"unknown_group", r.unknown_group},
            {"classes", list}};
}

Json replay_texts_json() { return {{"decided", replay_decided_text}, {"held", replay_held_text}}; }

namespace {

Json session_json(const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    Json j = {{"session", s.session.empty() ? Json(nullptr) : Json(s.session)}, {"first_pass", s.first_pass},
              {"last_pass", s.last_pass}, {"minutes", s.minutes()}, {"shots", s.shots}, {"cracks", s.cracks},
              {"explosions", s.explosions}, {"expected_cracks", s.expected_cracks},
              {"expected_explosions", s.expected_explosions}, {"classes", groups_json(s)},
              {"npc_weapons",
               {{"count", s.npc_weapons.count},
                {"dirt", spread_json(s.npc_weapons.dirt)},
                {"degradation", spread_json(s.npc_weapons.degradation)}}},
              {"player_peak_heat", peak_json(s.player_peak_heat)},
              {"player_peak_cold", peak_json(s.player_peak_cold)}};
    if (a.ini) j["with_ini"] = replay_json(s, a.with_ini[i], *a.ini);
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
        out << "  Under the INI " << *a.ini << ":\n" << wrapped(replay_decided_text) << wrapped(replay_held_text);
    }
    for (std::size_t i = 0; i < log.sessions.size(); ++i) print_session(out, a, i);
    print_findings_text(out, log.file, log.findings);
}

void print_log_json(std::ostream& out, const AnalysedLog& a) {
    Json sessions = Json::array();
    for (std::size_t i = 0; i < a.log.sessions.size(); ++i) sessions.push_back(session_json(a, i));
    const Json document = {{"file", a.log.file}, {"rows", a.log.rows}, {"skipped_rows", a.log.skipped_rows},
                           {"ini", a.ini ? Json(*a.ini) : Json(nullptr)},
                           {"replay", a.ini ? replay_texts_json() : Json(nullptr)}, {"sessions", sessions},
                           {"findings", findings_json(a.log.findings)}};
    // Bytes of the log that are not UTF-8 become U+FFFD, so the output always parses.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int log_command(const std::filesystem::path& file, const std::optional<std::filesystem::path>& ini,
                const std::optional<std::filesystem::path>& replay_to, OutputFormat format, std::ostream& out,
                std::ostream& err) {
    AnalysedLog analysed;
    try {
        analysed = analyse_log(file, ini, replay_to);
    } catch (const ToolError& error) {
        err << "barrelburst-sim log: " << error.what() << "\n";
        return 2;
    }
    if (format == OutputFormat::json) {
        print_log_json(out, analysed);
    } else {
        print_log_text(out, analysed);
        if (replay_to) out << "\nThe replayed shots, as a play log: " << utf8_of(*replay_to) << "\n";
    }
    return analysed.log.findings.empty() ? 0 : 1;
}

}  // namespace sim
