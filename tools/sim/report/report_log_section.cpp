#include "report/report_log_section.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>

#include "shared/text_format.h"
#include "shared/platform.h"
#include "report/report_page.h"
#include "report/svg_chart.h"

namespace sim {

namespace {

long long n(std::int64_t value) { return static_cast<long long>(value); }

constexpr const char* crack_colour = "#f28e2b";
constexpr const char* crack_other_colour = "#f9c48f";
constexpr const char* explosion_colour = "#d62728";
constexpr const char* explosion_other_colour = "#ee9a9b";
constexpr const char* dirt_colour = "#8c564b";
constexpr const char* degradation_colour = "#1f77b4";

// The INI's file name, short enough for a legend or a column.
std::string ini_name(const AnalysedLog& a) { return utf8_of(path_from_utf8(a.ini.value_or("")).filename()); }

std::string session_name(const LogSession& s) {
    return s.session.empty() ? std::string("the log (no session column)") : s.session;
}

// The largest sessions by shots, at most drawn_sessions, in the file's order.
std::vector<std::size_t> drawn(const ShotLog& log) {
    std::vector<std::size_t> order(log.sessions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&log](std::size_t a, std::size_t b) {
        return log.sessions[a].shots > log.sessions[b].shots;
    });
    if (order.size() > drawn_sessions) order.resize(drawn_sessions);
    std::sort(order.begin(), order.end());
    return order;
}

std::string intro(const AnalysedLog& a, std::size_t shown) {
    const ShotLog& log = a.log;
    std::string out = "<p class=\"lead\">From <span class=\"key\">" + html_escape(log.file) + "</span>: " +
                      format("%zu session(s) (one a game start), %lld shot(s) evaluated by the plugin", log.sessions.size(),
                             n(log.rows)) +
                      (log.skipped_rows > 0 ? format(", %lld row(s) skipped (see below)", n(log.skipped_rows)) : "") +
                      ". Time is the frame-loop pass at 60 passes a second. The expected failures are the sum of the "
                      "chances the plugin recorded for each shot: over many shots the failures seen stay near them.";
    if (a.ini) {
        out += " <strong>Under " + html_escape(*a.ini) + "</strong>: " + replay_decided_text + " " + replay_held_text;
    }
    out += "</p>";
    if (log.sessions.size() > shown) {
        out += "<p>" + format("The %zu largest sessions are drawn; %zu smaller one(s) are left out of the pictures.",
                              shown, log.sessions.size() - shown) +
               "</p>";
    }
    return out;
}

std::string peak_text(const std::optional<LogPeak>& peak) {
    return peak ? format("%.3f (pass %u)", static_cast<double>(peak->value), peak->pass) : std::string("&ndash;");
}

std::string session_row(const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    std::string row = "<tr><td class=\"key\">" + html_escape(session_name(s)) + "</td><td class=\"num\">" +
                      format("%.1f", s.minutes()) + "</td><td class=\"num\">" +
                      format("%lld (%lld / %lld)", n(s.shots), n(s.player_shots), n(s.shots - s.player_shots)) +
                      "</td><td class=\"num\">" + format("%lld (%.1f)", n(s.cracks), s.expected_cracks) +
                      "</td><td class=\"num\">" + format("%lld (%.1f)", n(s.explosions), s.expected_explosions) + "</td>";
    if (a.ini) {
        row += "<td class=\"num\">" + format("%lld / %lld", n(a.with_ini[i].cracks), n(a.with_ini[i].explosions)) +
               "</td>";
    }
    return row + "<td class=\"num\">" + std::to_string(s.npc_weapons.count) + "</td><td class=\"num\">" +
           peak_text(s.player_peak_heat) + "</td><td class=\"num\">" + peak_text(s.player_peak_cold) + "</td></tr>";
}

std::string sessions_table(const AnalysedLog& a, const std::vector<std::size_t>& shown) {
    std::string out = "<table class=\"sessions\"><tr><th>session</th><th>minutes</th><th>shots (player / NPC)</th>"
                      "<th>cracks (expected)</th><th>explosions (expected)</th>" +
                      (a.ini ? "<th>cracks / explosions under " + html_escape(ini_name(a)) + "</th>" : std::string()) +
                      "<th>NPC weapons met</th><th>player's peak heat</th><th>player's peak cold</th></tr>";
    for (const std::size_t i : shown) out += session_row(a, i);
    if (a.log.sessions.size() > shown.size()) {
        std::int64_t shots = 0;
        for (const LogSession& s : a.log.sessions) shots += s.shots;
        for (const std::size_t i : shown) shots -= a.log.sessions[i].shots;
        out += "<tr><td colspan=\"" + std::string(a.ini ? "9" : "8") + "\">" +
               format("and %zu more session(s) with %lld shot(s) in all", a.log.sessions.size() - shown.size(),
                      n(shots)) +
               "</td></tr>";
    }
    return out + "</table>";
}

// ------------------------------------------------------------------ pictures

LineChart failure_curve(const LogSession& s) {
    LineChart chart;
    chart.title = "Failures over the session, as logged and as expected";
    chart.x_label = "minutes of play (60 passes a second)";
    chart.y_label = "failures so far";
    ChartSeries cracks{"cracks", crack_colour, {{0.0, 0.0}}, false};
    ChartSeries expected_cracks{"expected cracks", crack_colour, {{0.0, 0.0}}, true};
    ChartSeries explosions{"explosions", explosion_colour, {{0.0, 0.0}}, false};
    ChartSeries expected_explosions{"expected explosions", explosion_colour, {{0.0, 0.0}}, true};
    FailureCounts sum;
    const double minutes_per_bucket = static_cast<double>(s.curve.passes_per_bucket) / 3600.0;
    for (std::size_t i = 0; i < s.curve.buckets.size(); ++i) {
        sum.add(s.curve.buckets[i]);
        const double x = std::min(static_cast<double>(i + 1) * minutes_per_bucket, s.minutes());
        cracks.points.push_back({x, static_cast<double>(sum.cracks)});
        expected_cracks.points.push_back({x, sum.expected_cracks});
        explosions.points.push_back({x, static_cast<double>(sum.explosions)});
        expected_explosions.points.push_back({x, sum.expected_explosions});
    }
    chart.x_max = std::max(s.minutes(), 1.0 / 60.0);
    const double highest = std::max({static_cast<double>(std::max(sum.cracks, sum.explosions)), sum.expected_cracks,
                                     sum.expected_explosions, 1.0});
    chart.y_max = axis_top(highest);
    chart.series = {cracks, expected_cracks, explosions, expected_explosions};
    return chart;
}

BarChart weapon_histogram(const NpcWeapons& w) {
    BarChart chart;
    chart.title = "The NPC weapons met: dirt and degradation at each one's first shot";
    chart.x_label = "value";
    chart.y_label = "weapons";
    chart.series = {{dirt_colour, true, "dirt"}, {degradation_colour, true, "degradation"}};
    for (std::size_t bin = 0; bin < spread_bins; ++bin) {
        const bool outside = bin + 1 == spread_bins;
        const double low = static_cast<double>(bin) / 10.0;
        const std::string label = outside ? "outside\n0 to 1" : format("%.1f to\n%.1f", low, low + 0.1);
        const std::string range = outside ? "outside 0 to 1" : format("%.1f to %.1f", low, low + 0.1);
        const auto dirt = w.dirt.bins[bin];
        const auto degradation = w.degradation.bins[bin];
        chart.groups.push_back({label,
                                {static_cast<double>(dirt), static_cast<double>(degradation)},
                                {"dirt " + range + format(": %lld weapon(s)", n(dirt)),
                                 "degradation " + range + format(": %lld weapon(s)", n(degradation))}});
    }
    return chart;
}

std::string spread_row(const char* name, const ValueSpread& v) {
    if (v.count == 0) return std::string("<tr><td>") + name + "</td><td colspan=\"5\">none in 0 to 1</td></tr>";
    return std::string("<tr><td>") + name + "</td>" +
           format("<td class=\"num\">%.3f</td><td class=\"num\">%.3f</td><td class=\"num\">%.3f</td>"
                  "<td class=\"num\">%.3f</td><td class=\"num\">%.3f</td></tr>",
                  v.min, v.q25, v.median, v.q75, v.max);
}

std::string weapons_part(const LogSession& s) {
    if (s.npc_weapons.count == 0) return "<p>No NPC shot in this session.</p>";
    return bar_chart_svg(weapon_histogram(s.npc_weapons)) +
           "<table class=\"spread\"><tr><th></th><th>min</th><th>25 %</th><th>median</th><th>75 %</th><th>max</th>"
           "</tr>" +
           spread_row("dirt", s.npc_weapons.dirt) + spread_row("degradation", s.npc_weapons.degradation) + "</table>";
}

// Logged failures per kind and class against the expected ones, or against
// the same shots under the INI.
BarChart class_bars(const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    const std::string other = a.ini ? "under the INI" : std::string("expected");
    BarChart chart;
    chart.title = a.ini ? "Failures per kind and class: logged, and the same shots under " + ini_name(a)
                        : "Failures per kind and class: logged, and expected from the recorded chances";
    chart.x_label = "shooter kind and weapon class";
    chart.y_label = "failures";
    chart.series = {{crack_colour, true, "cracks"},
                    {crack_other_colour, true, "cracks " + other},
                    {explosion_colour, true, "explosions"},
                    {explosion_other_colour, true, "explosions " + other}};
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& f = s.groups[g];
        if (f.shots == 0) continue;
        const double cracks = a.ini ? static_cast<double>(a.with_ini[i].groups[g].cracks) : f.expected_cracks;
        const double explosions =
            a.ini ? static_cast<double>(a.with_ini[i].groups[g].explosions) : f.expected_explosions;
        const std::string who = std::string(log_group_kind(g)) + " " + log_group_class(g);
        chart.groups.push_back(
            {std::string(log_group_kind(g)) + "\n" + log_group_class(g),
             {static_cast<double>(f.cracks), cracks, static_cast<double>(f.explosions), explosions},
             {who + format(": %lld crack(s) logged", n(f.cracks)), who + ": " + format("%.2f crack(s) ", cracks) + other,
              who + format(": %lld explosion(s) logged", n(f.explosions)),
              who + ": " + format("%.2f explosion(s) ", explosions) + other}});
    }
    return chart;
}

std::string classes_table(const LogSession& s) {
    std::string out = "<table class=\"classes\"><tr><th>kind</th><th>class</th><th>shots</th><th>cracks (expected)"
                      "</th><th>explosions (expected)</th><th>shots per second of firing</th><th>shots in the pass "
                      "after the same shooter's last</th></tr>";
    for (std::size_t g = 0; g < log_group_count; ++g) {
        const LogGroupFigures& f = s.groups[g];
        if (f.shots == 0) continue;
        out += std::string("<tr><td>") + log_group_kind(g) + "</td><td>" + log_group_class(g) + "</td>" +
               format("<td class=\"num\">%lld</td><td class=\"num\">%lld (%.2f)</td><td class=\"num\">%lld (%.2f)</td>"
                      "<td class=\"num\">%.2f</td><td class=\"num\">%lld (%.0f %%)</td></tr>",
                      n(f.shots), n(f.cracks), f.expected_cracks, n(f.explosions), f.expected_explosions,
                      f.shots_per_second_of_firing(), n(f.next_pass_shots), f.next_pass_share() * 100.0);
    }
    return out + "</table>";
}

std::string session_part(const AnalysedLog& a, std::size_t i) {
    const LogSession& s = a.log.sessions[i];
    return "<h3>Session <span class=\"key\">" + html_escape(session_name(s)) + "</span></h3><p>" +
           format("Passes %u to %u, %.1f minutes of play; %lld shot(s), %lld crack(s) and %lld explosion(s) "
                  "(expected %.1f and %.1f).",
                  s.first_pass, s.last_pass, s.minutes(), n(s.shots), n(s.cracks), n(s.explosions),
                  s.expected_cracks, s.expected_explosions) +
           "</p>" + line_chart_svg(failure_curve(s)) + "<div class=\"grid\">" + bar_chart_svg(class_bars(a, i)) +
           "</div>" + classes_table(s) + weapons_part(s);
}

}  // namespace

std::string your_game_section(const AnalysedLog& a) {
    std::string out = "<section id=\"your-game\"><h2>Your game</h2>";
    if (a.log.rows == 0) {
        out += "<p class=\"lead\">From <span class=\"key\">" + html_escape(a.log.file) +
               "</span>: no shots. The plugin writes a row for every shot it evaluates while <span class=\"key\">"
               "[Main] shot_log=1</span> is set.</p>";
    } else {
        const std::vector<std::size_t> shown = drawn(a.log);
        out += intro(a, shown.size()) + sessions_table(a, shown);
        for (const std::size_t i : shown) out += session_part(a, i);
    }
    if (!a.log.findings.empty()) {
        out += "<h3>What the log shows besides</h3>" + findings_table(a.log.findings, "what the log shows", "barrelburst-sim log");
    }
    return out + "</section>";
}

}  // namespace sim
