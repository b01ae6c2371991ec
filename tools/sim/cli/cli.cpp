#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <map>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "config/ini_names.h"
#include "config/settings.h"
#include "shared/findings.h"
#include "shared/platform.h"
#include "shared/text_format.h"
#include "shared/tool_error.h"
#include "log/log_output.h"
#include "model/shot_log.h"
#include "odds/odds.h"
#include "report/report_page.h"
#include "run_output/csv.h"
#include "run_output/run_text.h"
#include "screen/screen.h"
#include "world/scenario.h"
#include "world/simulation.h"

namespace sim {

namespace {

constexpr int exit_error = 1;
constexpr int exit_plugin_errors = 3;

// Whether the step ran; a ToolError it throws is the command's error, printed.
template <typename Step>
bool reported(const char* command, std::ostream& err, Step step) {
    try {
        step();
        return true;
    } catch (const ToolError& error) {
        err << "barrelburst-sim" << command << ": " << error.what() << "\n";
        return false;
    }
}

// An ASCII bar on standard error, drawn only once the run has taken a second.
class ProgressBar {
public:
    ProgressBar(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    void update(int done, int total) {
        if (!enabled_) return;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        if (elapsed < 1.0) return;
        constexpr int width = 40;
        const int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * width / total) : width;
        err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << done << "/" << total
             << " frames" << std::flush;
        drawn_ = true;
    }
    void finish() {
        if (drawn_) err_ << "\r" << std::string(70, ' ') << "\r" << std::flush;
        drawn_ = false;
    }

private:
    std::ostream& err_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

struct RunArguments {
    std::string ini;
    std::string scenario;
    std::optional<int> frames;
    std::optional<std::uint32_t> seed;
    std::string csv;
    std::optional<int> screen;
    std::string screen_out;
    bool list = false;
};

struct ReportArguments {
    std::string ini;
    std::string log;
    std::string out = dropped_report_name;
    std::string scenario;
    std::optional<std::uint32_t> seed;
};

int list_scenarios(std::ostream& out, std::ostream& err) {
    out << "Shipped scenarios (" << utf8_of(shipped_scenario_dir()) << "):\n";
    return reported(" run", err, [&] {
        for (const auto& [name, file] : shipped_scenarios()) {
            const Scenario s = load_scenario(file);
            out << "  " << name << (name == default_scenario_name ? " (default)" : "") << ": " << s.description
                << "\n";
        }
    }) ? 0 : exit_error;
}

// An option's path; none when the option was not given.
std::optional<std::filesystem::path> path_option(const std::string& text) {
    if (text.empty()) return std::nullopt;
    return path_from_utf8(text);
}

// The failures and the notes on Barrelburst.ini as the run goes, the bar meanwhile.
void print_as_it_happens(RunOptions& options, std::ostream& out, ProgressBar& bar) {
    options.on_shot = [&out, &bar](const ShotRecord& shot, const RunResult& result) {
        if (shot.outcome == ShotOutcome::none && shot.finished) return;
        bar.finish();
        print_failure_line(out, shot, result);
        out << std::flush;
    };
    options.on_progress = [&bar](int done, int total) { bar.update(done, total); };
    options.on_note = [&out, &bar](int frame, const std::string& note) {
        bar.finish();
        out << format("  %5d  ", frame) << note << "\n" << std::flush;
    };
}

// run --csv: the records in the folder, and where they went.
void write_records(const std::filesystem::path& dir, const RunResult& result, std::ostream& out) {
    write_csv(dir, result);
    out << "\nRecords: " << utf8_of(dir / "shots.csv") << ", " << utf8_of(dir / "frames.csv") << ", "
        << utf8_of(dir / "texts.csv");
    if (result.shot_log) out << ", " << utf8_of(*result.shot_log) << " (the plugin's play log)";
    if (result.saved_ini) out << ", " << utf8_of(*result.saved_ini) << " (the INI the plugin's menu saved)";
    out << "\n";
}

// run --screen: the frame's picture in the file, and where it went.
void write_screen(const std::filesystem::path& file, const FrameDraws& draws, bool after_records, std::ostream& out) {
    write_screen_png(draw_screen(draws), file);
    out << (after_records ? "" : "\n") << "Screen: " << utf8_of(file) << " (frame " << draws.frame << ")\n";
}

int run_command(const RunArguments& args, std::ostream& out, std::ostream& err, bool progress) {
    if (args.list) return list_scenarios(out, err);
    RunOptions options;
    if (!reported(" run", err, [&] {
            options.scenario = load_scenario(resolve_scenario(args.scenario.empty() ? std::string(default_scenario_name)
                                                                                    : args.scenario));
            options.ini = path_option(args.ini);
        })) {
        return exit_error;
    }
    options.frames = args.frames;
    options.seed = args.seed;
    if (!args.csv.empty()) {
        options.shot_log_to = path_from_utf8(args.csv) / shot_log_file_name;
        options.saved_ini_to = path_from_utf8(args.csv) / settings_file_name;
        options.keep_texts = true;
    }
    const int frames = options.frames.value_or(options.scenario.frames);
    const std::uint32_t seed = options.seed.value_or(options.scenario.seed.value_or(default_seed));
    if (args.screen) {
        if (!reported(" run", err, [&] { check_screen_frame(*args.screen, frames); })) return exit_error;
        options.screen_frame = args.screen;
    }

    print_run_header(out, options.scenario, options.ini, frames, seed);
    print_failure_columns(out);
    out << std::flush;
    ProgressBar bar(err, progress);
    print_as_it_happens(options, out, bar);

    RunResult result;
    try {
        result = run_simulation(options);
    } catch (const ToolError& error) {
        bar.finish();
        err << "barrelburst-sim run: " << error.what() << "\n";
        return exit_error;
    }
    bar.finish();
    print_summary(out, result);
    if (!reported(" run", err, [&] {
            if (!args.csv.empty()) write_records(path_from_utf8(args.csv), result, out);
            if (result.screen) write_screen(path_from_utf8(args.screen_out), *result.screen, !args.csv.empty(), out);
        })) {
        return exit_error;
    }
    if (!result.host_errors.empty() || !result.observer_errors.empty()) return exit_plugin_errors;
    return 0;
}

int report_command(const ReportArguments& args, std::ostream& out, std::ostream& err) {
    const ReportOptions options{path_option(args.ini), path_option(args.log), args.scenario, args.seed};
    const std::filesystem::path page = path_from_utf8(args.out);
    if (!reported(" report", err, [&] { write_report(options, page); })) return exit_error;
    out << "Report: " << utf8_of(std::filesystem::absolute(page)) << "\n";
    return 0;
}

// --format text|json; the JSON holds the file, `what` and the findings.
void add_format_option(CLI::App* command, OutputFormat& format, const std::string& what) {
    command
        ->add_option("--format", format,
                     "text (the default) or json: one object with the file, " + what +
                         " and the findings, for editors and CI")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, OutputFormat>{{"text", OutputFormat::text}, {"json", OutputFormat::json}}))
        ->type_name("FORMAT");
}

struct LogArguments {
    std::string file;
    std::string ini;
    std::string replay;
    OutputFormat format = OutputFormat::text;
};

CLI::App* add_log_command(CLI::App& app, LogArguments& args) {
    CLI::App* log = app.add_subcommand(
        "log", "Read a shot log of your game (Barrelburst-shots.csv, written with [Main] shot_log=1, or shots.csv of "
               "run --csv) and print per session: the passes and minutes of play, the shots by kind and class, the "
               "cracks and explosions seen and expected from the recorded chances, the NPC weapons met, the "
               "player's barrel and the shots per second of firing. With --ini: the same shots replayed through the "
               "plugin's own decisions under that INI. Exit status 0: nothing flagged, 1: something flagged, 2: a "
               "file cannot be read or written");
    log->add_option("FILE", args.file, "The shot log")->required();
    CLI::Option* ini =
        log->add_option("--ini", args.ini,
                        "Replay every shot under this INI: the scan's gates, base wear, firing dirt, the crack's wear, "
                        "the chances and the outcome decided again, exploded guns gone")
            ->type_name("INI");
    log->add_option("--replay", args.replay,
                    "Write the replayed shots to this file as a play log (the rows the replay dropped left out)")
        ->type_name("OUT.csv")
        ->needs(ini);
    add_format_option(log, args.format, "the sessions");
    return log;
}

// A log: a file whose name ends in .csv, in any case.
bool is_log_name(const std::string& file) { return same_ini_name(utf8_of(path_from_utf8(file).extension()), ".csv"); }

// The files dropped on the tool: an INI, a log, or one of each.
struct DroppedFiles {
    std::optional<std::filesystem::path> ini;
    std::optional<std::filesystem::path> log;
};

std::optional<DroppedFiles> sort_dropped(const std::vector<std::string>& files, std::ostream& err) {
    DroppedFiles dropped;
    for (const std::string& file : files) {
        std::error_code ignored;
        if (!std::filesystem::exists(path_from_utf8(file), ignored)) {
            err << "barrelburst-sim: '" << file << "' is neither a command (run, odds, check, log, report) nor a "
                << "file; run barrelburst-sim --help\n";
            return std::nullopt;
        }
        std::optional<std::filesystem::path>& slot = is_log_name(file) ? dropped.log : dropped.ini;
        if (slot) {
            err << "barrelburst-sim: two " << (is_log_name(file) ? "shot logs (.csv)" : "INI files") << ", "
                << utf8_of(*slot) << " and " << file << ": give one INI, one shot log, or one of each\n";
            return std::nullopt;
        }
        slot = path_from_utf8(file);
    }
    return dropped;
}

// Files dropped on the tool: the report beside the log (or beside the INI
// when there is no log), opened in the browser.
int dropped_files(const std::vector<std::string>& files, bool open, std::ostream& out, std::ostream& err) {
    const std::optional<DroppedFiles> dropped = sort_dropped(files, err);
    if (!dropped) return exit_error;
    const std::filesystem::path beside = dropped->log ? *dropped->log : *dropped->ini;
    const std::filesystem::path page = std::filesystem::absolute(beside).parent_path() / dropped_report_name;
    out << "barrelburst-sim: " << (dropped->log ? "your game in " : "what ") << utf8_of(beside)
        << (dropped->log ? "" : " does") << (dropped->log && dropped->ini ? ", replayed under " +
                                                                               utf8_of(*dropped->ini)
                                                                         : std::string())
        << ", as a page: " << utf8_of(page) << "\n"
        << std::flush;
    ReportOptions options;
    options.ini = dropped->ini;
    options.log = dropped->log;
    if (!reported("", err, [&] { write_report(options, page); })) return exit_error;
    out << "Report: " << utf8_of(page) << "\n";
    if (open && !open_with_default_program(page)) {
        err << "barrelburst-sim: could not open " << utf8_of(page) << " in the browser; open it by hand\n";
    }
    return 0;
}

CLI::App* add_run_command(CLI::App& app, RunArguments& args) {
    CLI::App* run = app.add_subcommand(
        "run", "Run the plugin frame by frame in a scenario's world; print each failure as it happens, then a "
               "summary per shooter kind and weapon class and the barrel heat and cold in brief; with --screen, "
               "draw one frame's screen as a picture");
    run->add_option("--ini", args.ini, "INI file the plugin reads as its Barrelburst.ini (none: every default)")
        ->type_name("FILE");
    run->add_option("--scenario", args.scenario,
                    "Scenario file (TOML), or the name of a shipped scenario (default: " +
                        std::string(default_scenario_name) + ")")
        ->type_name("FILE|NAME");
    run->add_option("--frames", args.frames, "Frames to run (default: the scenario's; 60 frames = 1 s)")
        ->check(CLI::Range(1, 100000000))
        ->type_name("N");
    run->add_option("--seed", args.seed,
                    "Seed of the plugin's random source (default: the scenario's, else " +
                        std::to_string(default_seed) + "); the same seed gives the same run")
        ->type_name("S");
    run->add_option("--csv", args.csv,
                    "Directory to write shots.csv, frames.csv and texts.csv (every text the plugin drew) to, the "
                    "plugin's own Barrelburst-shots.csv when the INI turns its play log on (shot_log=1), and the "
                    "Barrelburst.ini its menu saved, if it saved one")
        ->type_name("DIR");
    CLI::Option* screen =
        run->add_option("--screen", args.screen,
                        "Draw what the plugin put on the screen in this frame (1 to the run's last, numbered as in "
                        "frames.csv): its boxes and texts on a 1920x1080 picture, written to --screen-out")
            ->type_name("FRAME");
    CLI::Option* screen_out =
        run->add_option("--screen-out", args.screen_out, "The PNG file --screen writes")->type_name("FILE.png");
    screen->needs(screen_out);
    screen_out->needs(screen);
    run->add_flag("--list-scenarios", args.list, "List the shipped scenarios and exit");
    return run;
}

struct OddsArguments {
    OddsOptions options;
    std::string ini;
};

CLI::App* add_odds_command(CLI::App& app, OddsArguments& args) {
    OddsOptions& options = args.options;
    CLI::App* odds = app.add_subcommand(
        "odds", "Per weapon class, the crack and explosion chance of one shot over a grid of dirt and degradation, "
                "and the expected shots to a failure, from the plugin's own shot evaluation");
    odds->add_option("--ini", args.ini, "INI file to read (none: every default)")->type_name("FILE");
    odds->add_option("--heat", options.heat, "Barrel heat, 0 to 1 (default 0)")->type_name("H");
    odds->add_option("--cold", options.cold, "Barrel cold, 0 to 1 (default 0); heat and cold are never both above 0")
        ->type_name("C");
    odds->add_option("--dirt", options.dirt, "Dirt values of the grid, comma-separated (default 0,0.1,...,1)")
        ->delimiter(',')
        ->type_name("LIST");
    odds->add_option("--degradation", options.degradation,
                     "Degradation values of the grid, comma-separated (default 0,0.1,...,1)")
        ->delimiter(',')
        ->type_name("LIST");
    odds->add_option("--class", options.classes, "Only these classes (pistol, revolver, rifle, sniper, shotgun)")
        ->delimiter(',')
        ->type_name("LIST");
    odds->add_flag("--csv", options.csv, "Print CSV rows instead of tables");
    return odds;
}

CLI::App* add_report_command(CLI::App& app, ReportArguments& args) {
    CLI::App* report = app.add_subcommand(
        "report", "Write the tuner page with an INI (and a shot log) in it: it opens in any browser, from disk, "
                  "ready to edit and save, and shows what the INI will do: the check's findings, the failure odds "
                  "of each class at a cool and a hot barrel, the camera recoil, a simulated fight played in the "
                  "page, and with a log your game replayed under it. Every figure comes from the plugin's own "
                  "code, run in the browser");
    report->add_option("--ini", args.ini, "INI file to carry in the page (none: the shipped defaults)")
        ->type_name("FILE");
    report->add_option("--log", args.log,
                       "A shot log (Barrelburst-shots.csv, or shots.csv of run --csv) to carry in the page: the "
                       "section \"Your game\", replayed under the INI and each edit")
        ->type_name("FILE");
    report->add_option("--out", args.out, "The page to write (default: Barrelburst-report.html)")
        ->type_name("FILE.html");
    report->add_option("--scenario", args.scenario,
                       "Shipped scenario the page's fight starts with (default: " + std::string(default_scenario_name) +
                           ")")
        ->type_name("NAME");
    report->add_option("--seed", args.seed, "Seed of the plugin's random source (default: the scenario's)")
        ->type_name("S");
    return report;
}

struct CheckArguments {
    std::string file;
    OutputFormat format = OutputFormat::text;
};

CLI::App* add_check_command(CLI::App& app, CheckArguments& args) {
    CLI::App* check = app.add_subcommand(
        "check", "Read an INI file exactly as the plugin does; print every effective setting and where it came from, "
                 "and flag unknown names, odd values, values out of range and fallbacks. Exit status 0: nothing "
                 "flagged, 1: something flagged, 2: the file cannot be read");
    check->add_option("FILE", args.file, "INI file to check")->required();
    add_format_option(check, args.format, "the settings");
    return check;
}

}  // namespace

int cli_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool progress) {
    CLI::App app{"barrelburst-sim: the Barrelburst tuning tool. Runs the plugin's own code in the stand-in host's "
                 "world to show what the numbers of Barrelburst.ini mean in play.",
                 "barrelburst-sim"};
    app.require_subcommand(0, 1);
    app.footer("Run `barrelburst-sim COMMAND --help` for the options of a command. Given only an INI file, a shot "
               "log (.csv) or one of each (or with the files dropped on the program), it writes "
               "Barrelburst-report.html beside the log, else beside the INI, and opens it.");
    std::vector<std::string> dropped;
    bool no_open = false;
    app.add_option("FILES", dropped,
                   "An INI file, a shot log (a .csv file: Barrelburst-shots.csv), or one of each: write "
                   "Barrelburst-report.html beside the log (else beside the INI) and open it in the browser")
        ->expected(0, 2)
        ->type_name("FILE");
    app.add_flag("--no-open", no_open, "With files alone: do not open the page");

    RunArguments run_args;
    CLI::App* run = add_run_command(app, run_args);
    OddsArguments odds_args;
    CLI::App* odds = add_odds_command(app, odds_args);
    ReportArguments report_args;
    CLI::App* report = add_report_command(app, report_args);
    CheckArguments check_args;
    CLI::App* check = add_check_command(app, check_args);
    LogArguments log_args;
    CLI::App* log = add_log_command(app, log_args);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err);
    }

    if (run->parsed()) return run_command(run_args, out, err, progress);
    if (odds->parsed()) {
        OddsOptions& options = odds_args.options;
        options.ini = path_option(odds_args.ini);
        return reported(" odds", err, [&] { print_odds(out, options, compute_odds(options)); }) ? 0 : exit_error;
    }
    if (check->parsed()) return check_command(path_from_utf8(check_args.file), check_args.format, out, err);
    if (report->parsed()) return report_command(report_args, out, err);
    if (log->parsed()) {
        return log_command(path_from_utf8(log_args.file), path_option(log_args.ini), path_option(log_args.replay),
                           log_args.format, out, err);
    }
    if (!dropped.empty()) return dropped_files(dropped, !no_open, out, err);
    out << app.help();
    return exit_error;
}

}  // namespace sim
