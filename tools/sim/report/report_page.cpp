#include "report/report_page.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "check/check.h"
#include "shared/text_format.h"
#include "shared/platform.h"
#include "shared/tool_error.h"
#include "config/settings.h"
#include "log/log_replay.h"
#include "odds/odds.h"
#include "report/report_log_section.h"
#include "report/svg_chart.h"
#include "world/run_summary.h"
#include "world/scenario.h"
#include "world/simulation.h"

namespace sim {

namespace {

std::string esc(const std::string& text) { return html_escape(text); }

constexpr const char* crack_colour = "#f28e2b";
constexpr const char* explosion_colour = "#d62728";
constexpr const char* heat_colour = "#d62728";
constexpr const char* cold_colour = "#1f77b4";
constexpr const char* class_colours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b"};

// ------------------------------------------------------------------ page frame

constexpr const char* page_style = R"(
body { font: 15px/1.45 system-ui, "Segoe UI", Roboto, Helvetica, Arial, sans-serif; color: #222; margin: 0;
       background: #fafafa; }
main { max-width: 1240px; margin: 0 auto; padding: 8px 24px 48px; }
header { background: #3b2a1a; color: #f5ecd9; padding: 18px 24px; }
header h1 { margin: 0 0 4px; font-size: 26px; }
header p { margin: 2px 0; }
nav a { color: #f5ecd9; margin-right: 18px; }
h2 { border-bottom: 2px solid #3b2a1a; padding-bottom: 4px; margin-top: 36px; }
h3 { margin: 22px 0 6px; }
.lead { color: #444; max-width: 900px; }
table { border-collapse: collapse; margin: 6px 0 12px; background: #fff; }
th, td { border: 1px solid #ccc; padding: 3px 8px; text-align: left; vertical-align: top; }
th { background: #eee; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
tr.changed td { background: #fff4d6; }
.badge { display: inline-block; padding: 0 7px; border-radius: 9px; font-size: 12px; font-weight: 600; color: #fff; }
.badge.error { background: #c62828; }
.badge.warning { background: #b26a00; }
.badge.changed { background: #8d6e00; }
.ok { background: #e6f4ea; border: 1px solid #81c995; padding: 8px 12px; display: inline-block; }
.key { font-family: ui-monospace, Consolas, monospace; }
.grid { display: flex; flex-wrap: wrap; gap: 14px; }
.grid + .grid { margin-top: 6px; }
details summary { cursor: pointer; font-weight: 600; margin: 10px 0; }
td.source { white-space: nowrap; }
table.sessions td:first-child { white-space: nowrap; }
table.heat { font-size: 10px; border: 1px solid #ccc; }
table.heat td { width: 27px; height: 15px; text-align: center; padding: 2px 1px; border: 1px solid #fff; }
table.heat th { font-weight: normal; padding: 1px 3px; font-size: 10px; }
table.heat caption { font-weight: 600; text-align: left; padding-bottom: 3px; }
svg.chart { background: #fff; border: 1px solid #ddd; margin: 6px 0 14px; max-width: 100%; height: auto; }
svg.chart text { font-size: 12px; fill: #333; }
svg.chart .chart-title { font-size: 14px; font-weight: 600; }
svg.chart .axis-label { font-size: 12px; fill: #555; }
.scale span { display: inline-block; width: 44px; text-align: center; font-size: 11px; padding: 2px 0; }
footer { color: #666; font-size: 13px; margin-top: 40px; }
)";

// ------------------------------------------------------------------ findings and settings

std::string findings_section(const CheckReport& check) {
    std::string out = "<section id=\"findings\"><h2>What the check found</h2>";
    if (check.findings.empty()) {
        return out + "<p class=\"ok\">Nothing flagged: the plugin reads every line of the file as it is written.</p>"
                     "</section>";
    }
    const auto errors = std::count_if(check.findings.begin(), check.findings.end(),
                                      [](const Finding& f) { return f.severity == Severity::error; });
    const auto warnings = static_cast<long>(check.findings.size()) - errors;
    out += "<p class=\"lead\">" +
           (errors == 1 ? std::string("1 error: a line") : std::to_string(errors) + " errors: lines") +
           " the plugin will not do as written; " +
           (warnings == 1 ? std::string("1 warning: a value") : std::to_string(warnings) + " warnings: values") +
           " the plugin uses, but odd, out of range or easy to misread.</p>";
    return out + findings_table(check.findings, "what the plugin does", "barrelburst-sim check") + "</section>";
}

std::string setting_row(const CheckedSetting& s, bool with_section) {
    const std::string source = s.line > 0 ? s.source + ", line " + std::to_string(s.line) : s.source;
    const bool listed = s.row->scope == KeyScope::any_key;
    return std::string("<tr") + (s.differs ? " class=\"changed\"" : "") + ">" +
           (with_section ? "<td class=\"key\">[" + esc(s.section) + "]</td>" : std::string()) + "<td class=\"key\">" +
           esc(s.key) + (s.differs && !with_section ? " <span class=\"badge changed\">changed</span>" : "") +
           "</td><td class=\"key\">" + esc(s.value) + "</td><td class=\"key\">" +
           (listed ? "" : esc(s.row->default_text)) + "</td><td class=\"source\">" + esc(source) + "</td><td>" +
           esc(s.row->meaning) + "</td></tr>";
}

// The settings that differ from the defaults, at the top of the page.
std::string changed_section(const CheckReport& check) {
    std::string out = "<section id=\"changed\"><h2>What this file changes</h2>";
    std::string rows;
    for (const CheckedSetting& s : check.settings) {
        if (s.differs) rows += setting_row(s, true);
    }
    if (rows.empty()) {
        return out + "<p class=\"ok\">Every setting is at its built-in default.</p></section>";
    }
    return out + "<p class=\"lead\">The settings whose values differ from the built-in defaults, as the plugin "
                 "reads them. The full list is at the <a href=\"#settings\">end of the page</a>.</p>"
                 "<table class=\"settings\"><tr><th>section</th><th>key</th><th>value</th><th>default</th><th>source"
                 "</th><th>what it does</th></tr>" +
           rows + "</table></section>";
}

// Every setting, by section in the file's order, folded away.
std::string settings_section(const CheckReport& check) {
    std::string out =
        "<section id=\"settings\"><h2>Every setting the plugin will use</h2><details><summary>Show all "
        "settings</summary><p class=\"lead\">Every key, as the plugin reads the file, by section in the file's "
        "order. Highlighted rows differ from the built-in default. Source: the file with its line, the default "
        "(the key is not in the file), or the fallback of a list that does not read.</p>";
    std::string section;
    for (const CheckedSetting& s : check.settings) {
        if (s.section != section) {
            if (!section.empty()) out += "</table>";
            section = s.section;
            out += "<h3 class=\"key\">[" + esc(section) + "]</h3><table class=\"settings\"><tr><th>key</th><th>value"
                   "</th><th>default</th><th>source</th><th>what it does</th></tr>";
        }
        out += setting_row(s, false);
    }
    if (!section.empty()) out += "</table>";
    const bool entries = std::any_of(check.settings.begin(), check.settings.end(),
                                     [](const CheckedSetting& s) { return s.row->scope == KeyScope::any_key; });
    if (!entries) {
        out += "<h3 class=\"key\">[" + esc(settings_sections.back()) +
               "]</h3><p>No entries: no NPC's gun gets a degradation from the list.</p>";
    }
    return out + "</details></section>";
}

// ------------------------------------------------------------------ odds

// From light (rare) to dark red (certain), on a log scale from 1 in 1000 to 1.
std::string heat_colour_of(double p) {
    if (!(p > 0.0)) return "#ffffff";
    const double t = std::clamp((std::log10(p) + 3.0) / 3.0, 0.0, 1.0);
    struct Stop {
        double at;
        int r, g, b;
    };
    constexpr Stop stops[] = {{0.0, 255, 247, 204}, {0.35, 254, 196, 79}, {0.6, 236, 112, 20}, {0.8, 204, 36, 29},
                              {1.0, 103, 0, 13}};
    for (std::size_t i = 1; i < std::size(stops); ++i) {
        if (t <= stops[i].at) {
            const Stop& a = stops[i - 1];
            const Stop& b = stops[i];
            const double u = (t - a.at) / (b.at - a.at);
            const auto mix = [u](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * u)); };
            return format("#%02x%02x%02x", mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
        }
    }
    return "#67000d";
}

// Short enough for a heatmap cell; an empty cell is a chance of 0.
std::string percent(double p) {
    if (!(p > 0.0)) return "";
    const double pct = p * 100.0;
    if (pct >= 9.95) return format("%.0f%%", pct);
    if (pct >= 0.095) return format("%.1f%%", pct);
    return "&lt;0.1%";
}

std::string shots_text(double p) {
    if (!(p > 0.0)) return "&infin;";
    const double n = 1.0 / p;
    if (n < 10.0) return format("%.1f", n);
    if (n < 10000.0) return format("%.0f", n);
    return format("%.0fk", n / 1000.0);
}

enum class HeatmapValue { crack, explosion, shots };

std::string heatmap(const ClassOdds& odds, const OddsOptions& grid, HeatmapValue what, const std::string& caption) {
    std::string out = "<table class=\"heat\"><caption>" + esc(caption) + "</caption><tr><th title=\"rows: wear, "
                      "columns: dirt\">wear</th>";
    for (const float dirt : grid.dirt) out += "<th>" + format("%g", static_cast<double>(dirt)) + "</th>";
    out += "</tr>";
    const std::size_t columns = grid.dirt.size();
    for (std::size_t row = grid.degradation.size(); row-- > 0;) {
        out += "<tr><th>" + format("%g", static_cast<double>(grid.degradation[row])) + "</th>";
        for (std::size_t column = 0; column < columns; ++column) {
            const OddsCell& cell = odds.cells[row * columns + column];
            const double p = what == HeatmapValue::crack       ? cell.crack_probability
                             : what == HeatmapValue::explosion ? cell.explosion_probability
                                                               : cell.failure_probability();
            const std::string shown = what == HeatmapValue::shots ? shots_text(p) : percent(p);
            const std::string tooltip =
                format("dirt %g, wear %g: crack %.3f%%, explosion %.3f%% of shots; a failure every %s shots",
                       static_cast<double>(cell.dirt), static_cast<double>(cell.degradation),
                       cell.crack_probability * 100.0, cell.explosion_probability * 100.0,
                       cell.failure_probability() > 0.0 ? format("%.1f", 1.0 / cell.failure_probability()).c_str()
                                                        : "(never)");
            const double t = p > 0.0 ? (std::log10(p) + 3.0) / 3.0 : 0.0;
            out += "<td style=\"background:" + heat_colour_of(p) + (t > 0.62 ? ";color:#fff" : "") + "\" title=\"" +
                   esc(tooltip) + "\">" + shown + "</td>";
        }
        out += "</tr>";
    }
    return out + "</table>";
}

std::string colour_scale() {
    std::string out = "<p class=\"scale\">Colour: chance per shot &nbsp;";
    for (const double p : {0.001, 0.003, 0.01, 0.03, 0.1, 0.3, 1.0}) {
        const double t = (std::log10(p) + 3.0) / 3.0;
        out += "<span style=\"background:" + heat_colour_of(p) + (t > 0.62 ? ";color:#fff" : "") + "\">" +
               percent(p) + "</span>";
    }
    return out + " &nbsp;(white: never)</p>";
}

std::string odds_section(const std::optional<std::filesystem::path>& ini) {
    OddsOptions cool;
    cool.ini = ini;
    std::vector<ClassOdds> cool_odds = compute_odds(cool);
    OddsOptions hot = cool;
    hot.heat = 1.0f;
    std::vector<ClassOdds> hot_odds = compute_odds(hot);

    std::string out =
        "<section id=\"odds\"><h2>How often one shot fails</h2><p class=\"lead\">For each weapon class, the chance "
        "that one shot cracks the barrel or blows the gun up, for a weapon of the given dirt (columns, clean 0 to "
        "filthy 1) and wear (rows: the game's degradation, new 0 at the bottom to worn out 1 at the top). A cool "
        "barrel has no heat and no cold; a hot barrel has the full heat of 1 that rapid fire builds up. The third "
        "map gives the expected number of shots until the gun fails, if its condition stayed as it is (in play "
        "every shot adds a little dirt and heat). Hover over a cell for its exact figures.</p>" +
        colour_scale();
    for (std::size_t i = 0; i < cool_odds.size(); ++i) {
        const ClassOdds& c = cool_odds[i];
        const ShotChances& tuning = c.cells.front().chances;
        out += "<h3>" + esc(c.weapon_class) + "</h3><p>" +
               format("Dirt counts above %g, wear above %g; factor %g; cracks happen up to wear %g.",
                      static_cast<double>(tuning.min_dirt), static_cast<double>(tuning.min_degradation),
                      static_cast<double>(tuning.expo_chance_mod), static_cast<double>(tuning.crack_degradation_limit)) +
               "</p>";
        const std::pair<const ClassOdds*, const char*> barrels[] = {{&c, "cool barrel"}, {&hot_odds[i], "hot barrel"}};
        for (const auto& [odds, barrel] : barrels) {
            out += "<div class=\"grid\">";
            out += heatmap(*odds, cool, HeatmapValue::crack, std::string("Crack per shot, ") + barrel);
            out += heatmap(*odds, cool, HeatmapValue::explosion, std::string("Explosion per shot, ") + barrel);
            out += heatmap(*odds, cool, HeatmapValue::shots, std::string("Shots to a failure, ") + barrel);
            out += "</div>";
        }
    }
    return out + "</section>";
}

// ------------------------------------------------------------------ recoil

constexpr int recoil_frames = 60;

// One shot of the player's clean weapon of each class in frame 1, the
// camera's pitch in the frames after it.
std::vector<ChartSeries> recoil_curves(const std::optional<std::filesystem::path>& ini, std::uint32_t seed,
                                       bool free_aiming, double& highest) {
    std::vector<ChartSeries> curves;
    for (std::size_t i = 0; i < tuned_weapon_classes.size(); ++i) {
        RunOptions options;
        options.ini = ini;
        options.seed = seed;
        options.frames = recoil_frames;
        Scenario& s = options.scenario;
        s.name = "recoil";
        s.frames = recoil_frames;
        s.player.weapon = WeaponSetup{tuned_weapon_classes[i], default_weapon_name(tuned_weapon_classes[i]), 0.0f, 0.0f};
        s.player.firing = FiringPattern{1, 1000, 0, 0, 1};
        s.player.free_aiming.always = free_aiming;
        s.player.aim_recovery = 0.0f;
        const RunResult result = run_simulation(options);
        ChartSeries curve{tuned_weapon_classes[i], class_colours[i], {{0.0, 0.0}}, false};
        for (const FrameRecord& f : result.frame_records) {
            curve.points.push_back({static_cast<double>(f.frame), static_cast<double>(f.camera_pitch)});
            highest = std::max(highest, static_cast<double>(f.camera_pitch));
        }
        // Classes tuned alike draw one curve, named after all of them.
        const auto same = std::find_if(curves.begin(), curves.end(), [&curve](const ChartSeries& c) {
            return std::equal(c.points.begin(), c.points.end(), curve.points.begin(), curve.points.end(),
                              [](const ChartPoint& a, const ChartPoint& b) { return a.x == b.x && a.y == b.y; });
        });
        if (same != curves.end()) {
            same->name += ", " + curve.name;
        } else {
            curves.push_back(std::move(curve));
        }
    }
    return curves;
}

std::string recoil_section(const std::optional<std::filesystem::path>& ini, std::uint32_t seed) {
    double highest = 0.5;
    std::vector<ChartSeries> fast = recoil_curves(ini, seed, true, highest);
    std::vector<ChartSeries> slow = recoil_curves(ini, seed, false, highest);
    std::string out =
        "<section id=\"recoil\"><h2>Camera recoil of one shot</h2><p class=\"lead\">How far one shot of each "
        "class lifts your view, frame by frame (60 frames are a second), with a clean new weapon and a cool "
        "barrel. While you free-aim the kick shrinks quickly; otherwise it lasts longer and lifts the view "
        "further, except after a revolver shot, whose kick is dropped at once. The view turns by at most 1 "
        "degree a frame: a kick above 1 is cut to 1 in its first frame, so recoil amounts above about 1.25 lift "
        "the view alike. Heat, cold, wear, dirt, cover, crouching and combat movement scale the kick by the "
        "class's [RecoilModifiers]; the view is not pulled back here. Classes whose kick is alike share one "
        "curve.</p>";
    for (const auto& [curves, title] :
         {std::pair{&fast, "While free aiming (fast decay)"}, std::pair{&slow, "Not free aiming (slow decay)"}}) {
        LineChart chart;
        chart.title = title;
        chart.x_label = "frames after the shot";
        chart.y_label = "camera pitch, degrees";
        chart.x_max = recoil_frames;
        chart.y_max = std::ceil(highest * 1.1);
        chart.series = *curves;
        out += line_chart_svg(chart);
    }
    return out + "</section>";
}

// ------------------------------------------------------------------ the fight

std::string shooter_name(const RunResult& result, const ShotRecord& shot) {
    const ShooterResult& s = result.shooters[shot.shooter];
    return s.name + " (" + shooter_kind_of(s.is_npc) + ")";
}

std::string failure_tooltip(const RunResult& result, const ShotRecord& shot) {
    std::string text = format("frame %d: ", shot.frame) + shooter_name(result, shot) + ", " + shot.weapon_class +
                       ": " + shot_outcome_name(shot.outcome) +
                       format(" (roll %.4f; crack chance %.4f, explosion chance %.4f; dirt %.2f, wear %.2f, heat "
                              "%.2f, cold %.2f)",
                              static_cast<double>(shot.roll), static_cast<double>(shot.chances.crack_chance),
                              static_cast<double>(shot.chances.explosion_chance), static_cast<double>(shot.dirt),
                              static_cast<double>(shot.effective_degradation), static_cast<double>(shot.heat),
                              static_cast<double>(shot.cold));
    if (!shot.finished) text += "; still loading its effects when the run ended";
    if (shot.finished && shot.outcome_frame > shot.frame) {
        text += format("; played %d frames later, once its effects had loaded", shot.outcome_frame - shot.frame);
    }
    return text;
}

std::string summary_table(const RunResult& result) {
    std::string out = "<table class=\"summary\"><tr><th>shooter</th><th>class</th><th>shots</th><th>cracks</th>"
                      "<th>explosions</th><th>failures per 1000 shots</th><th>weapons that failed</th>"
                      "<th>shots to the first failure</th></tr>";
    const std::vector<GroupSummary> groups = summarise(result);
    if (groups.empty()) {
        return out + "<tr><td colspan=\"8\">Nobody fired a weapon the plugin watches.</td></tr></table>";
    }
    for (const GroupSummary& g : groups) {
        const double per = g.shots > 0 ? 1000.0 * (g.cracks + g.explosions) / g.shots : 0.0;
        out += std::string("<tr><td>") + shooter_kind_of(g.is_npc) + "</td><td>" + esc(g.weapon_class) +
               "</td><td class=\"num\">" + std::to_string(g.shots) + "</td><td class=\"num\">" +
               std::to_string(g.cracks) + "</td><td class=\"num\">" + std::to_string(g.explosions) +
               "</td><td class=\"num\">" + format("%.1f", per) + "</td><td class=\"num\">" +
               format("%d of %d", g.failed_weapons, g.weapons) + "</td><td class=\"num\">" +
               (g.failed_weapons > 0 ? format("%.1f", g.shots_to_first_failure) : std::string("&ndash;")) +
               "</td></tr>";
    }
    return out + "</table>";
}

std::string fight_section(const RunResult& result, const Scenario& scenario) {
    std::string out = "<section id=\"fight\"><h2>A simulated fight: " + esc(scenario.name) + "</h2><p class=\"lead\">" +
                      esc(scenario.description) +
                      format(" %d frames (%.1f s of play), seed %u. ", result.frames,
                             static_cast<double>(result.frames) / 60.0, result.seed) +
                      "Hover over a mark for the shot's figures.</p>";

    Timeline timeline;
    timeline.title = "Failures as they happen";
    timeline.x_label = "frame";
    timeline.x_max = result.frames;
    timeline.marker_keys = {{crack_colour, false, "crack"}, {explosion_colour, true, "explosion"}};
    for (const ShooterResult& s : result.shooters) timeline.lanes.push_back({s.name, {}});
    LineChart barrel;
    barrel.title = "The barrel's heat and cold (the player's barrel; NPC shots use it too)";
    barrel.x_label = "frame";
    barrel.y_label = "0 to 1";
    barrel.x_max = result.frames;
    barrel.marker_keys = timeline.marker_keys;
    ChartSeries heat{"heat", heat_colour, {}, false};
    ChartSeries cold{"cold", cold_colour, {}, true};
    const std::size_t step = std::max<std::size_t>(1, result.frame_records.size() / 1500);
    for (std::size_t i = 0; i < result.frame_records.size(); i += step) {
        const FrameRecord& f = result.frame_records[i];
        heat.points.push_back({static_cast<double>(f.frame), static_cast<double>(f.heat)});
        cold.points.push_back({static_cast<double>(f.frame), static_cast<double>(f.cold)});
    }
    barrel.series = {heat, cold};
    for (const ShotRecord& shot : result.shots) {
        if (shot.outcome == ShotOutcome::none) continue;
        const bool explosion = shot.outcome == ShotOutcome::explosion;
        const std::string tooltip = failure_tooltip(result, shot);
        const std::string colour = explosion ? explosion_colour : crack_colour;
        timeline.lanes[shot.shooter].events.push_back({static_cast<double>(shot.frame), colour, explosion, tooltip});
        // On the curve the shot's chances used.
        const double y = static_cast<double>(shot.cold > 0.0f ? shot.cold : shot.heat);
        barrel.markers.push_back({{static_cast<double>(shot.frame), y}, colour, explosion, tooltip});
    }
    out += timeline_svg(timeline);
    out += line_chart_svg(barrel);
    out += "<h3>Summary by shooter kind and weapon class</h3>" + summary_table(result);
    out += "<p>" +
           format("In the world: %zu game explosion(s) at a weapon, %zu shooter(s) thrown down, %zu weapon(s) taken "
                  "away, %d banner(s) for the player.",
                  result.game_explosions, result.falls, result.weapon_removals, result.notifications) +
           "</p>";
    if (!result.host_errors.empty() || !result.observer_errors.empty()) {
        out += "<p><span class=\"badge error\">error</span> The run did not go as the plugin recorded it:</p><ul>";
        for (const std::string& e : result.host_errors) out += "<li>" + esc(e) + "</li>";
        for (const std::string& e : result.observer_errors) out += "<li>" + esc(e) + "</li>";
        out += "</ul>";
    }
    return out + "</section>";
}

}  // namespace

std::string findings_table(const std::vector<Finding>& findings, const std::string& what,
                           const std::string& lists_all) {
    std::string out = "<table class=\"findings\"><tr><th>line</th><th></th><th>" + esc(what) +
                      "</th><th>what to do</th></tr>";
    const std::size_t shown = std::min(findings.size(), page_findings_limit);
    for (std::size_t i = 0; i < shown; ++i) {
        const Finding& f = findings[i];
        out += "<tr><td class=\"num\">" + (f.line > 0 ? std::to_string(f.line) : std::string("&ndash;")) +
               "</td><td><span class=\"badge " + severity_name(f.severity) + "\">" + severity_name(f.severity) +
               "</span></td><td>" + esc(f.message) + "</td><td>" + esc(f.suggestion) + "</td></tr>";
    }
    if (findings.size() > shown) {
        out += "<tr><td class=\"num\">&ndash;</td><td></td><td>" + std::to_string(findings.size() - shown) +
               " more, not listed here</td><td>" + esc(lists_all) + " lists every one</td></tr>";
    }
    return out + "</table>";
}

std::string report_html(const ReportOptions& options) {
    // The log first: it may put the plugin's globals back when it is done.
    std::optional<AnalysedLog> game;
    if (options.log) game = analyse_log(*options.log, options.ini);
    const CheckReport check = options.ini ? check_ini(*options.ini)
                                          : check_ini_text("", "no file: every setting at its default");
    RunOptions run;
    run.ini = options.ini;
    run.seed = options.seed;
    run.scenario = load_scenario(
        resolve_scenario(options.scenario.empty() ? std::string(default_scenario_name) : options.scenario));
    const RunResult fight = run_simulation(run);
    const std::uint32_t seed = fight.seed;

    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       // Nothing runs and nothing is fetched, whatever the INI or the scenario holds.
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
                       "'unsafe-inline'; img-src data:\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<title>Barrelburst report: " +
                       esc(game ? game->log.file : check.file) + "</title><style>" + page_style +
                       "</style></head><body>";
    page += std::string("<header><h1>") + (game ? "Your game, and what this Barrelburst.ini does" : "What this Barrelburst.ini does") +
            "</h1>" + (game ? "<p>Shot log: <span class=\"key\">" + esc(game->log.file) + "</span></p>" : "") +
            "<p>INI: <span class=\"key\">" + esc(check.file) +
            "</span></p><p>Barrelburst " BB_VERSION ", " +
            (game ? "your game's figures from the plugin's own log, the rest" : "every figure") +
            " from the plugin's own code, run in a simulated world.</p><nav>" +
            (game ? "<a href=\"#your-game\">Your game</a>" : "") +
            "<a href=\"#findings\">Findings</a><a href=\"#changed\">Changes</a><a href=\"#odds\">Failure odds</a><a "
            "href=\"#recoil\">Recoil</a><a href=\"#fight\">A simulated fight</a><a href=\"#settings\">Every "
            "setting</a></nav></header><main>";
    if (game) page += your_game_section(*game);
    page += findings_section(check);
    page += changed_section(check);
    page += odds_section(options.ini);
    page += recoil_section(options.ini, seed);
    page += fight_section(fight, run.scenario);
    page += settings_section(check);
    page += "<footer>Made by barrelburst-sim report. The odds and the fight come from the plugin's own shot "
            "evaluation; in the game, the dirt and wear of each gun come from the game itself.</footer>";
    return page + "</main></body></html>\n";
}

void write_report(const ReportOptions& options, const std::filesystem::path& out) {
    const std::string page = report_html(options);
    std::ofstream file(out, std::ios::binary);
    if (!file) throw ToolError("cannot write the report to '" + utf8_of(out) + "': " + std::strerror(errno));
    file << page;
    file.close();
    if (!file) throw ToolError("cannot write the report to '" + utf8_of(out) + "'");
}

}  // namespace sim
