// barrelburst-sim log on a log of 1,000,000 rows as the plugin writes them
// (twelve game starts, a player and 40 NPCs firing), from the file on disk to
// the printed text; the replay alone of 100,000 rows read once, as the tuner
// page makes it on every edit; and report's page (the tuner page with the
// files carried in it): with the shipped INI and a 20-minute log it must stay
// within 2 MB, with any file (the million rows, an INI of 21 MB) within 5 MB,
// or the run fails.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "shared/files.h"
#include "log/log_output.h"
#include "log/log_replay.h"
#include "report/report_page.h"
#include "support/shot_log_sample.h"

namespace {

constexpr std::int64_t rows = 1000000;

// The log, written once for the process into a folder removed at its end.
class MillionRowLog {
public:
    MillionRowLog() : dir_(sim::make_temporary_directory("barrelburst-log-bench", "the log")) {
        test::SampleLog sample;
        sample.sessions = 12;
        sample.rows = rows;
        sample.scenario = test::crowd_scenario();
        std::ofstream(file(), std::ios::binary) << test::sample_shot_log(sample);
    }
    ~MillionRowLog() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path file() const { return dir_ / "Barrelburst-shots.csv"; }

private:
    std::filesystem::path dir_;
};

std::filesystem::path million_row_log() {
    static const MillionRowLog log;
    return log.file();
}

void LogCommandOnAMillionRows(benchmark::State& state) {
    const std::filesystem::path log = million_row_log();
    const std::optional<std::filesystem::path> ini =
        state.range(0) != 0 ? std::optional(std::filesystem::path(BB_SOURCE_DIR "/release/Barrelburst.ini"))
                            : std::nullopt;
    std::size_t printed = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (sim::log_command(log, ini, std::nullopt, sim::OutputFormat::text, out, err) == 2) {
            state.SkipWithError("the log cannot be read");
            break;
        }
        printed = out.str().size();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["log_bytes"] = static_cast<double>(std::filesystem::file_size(log));
    state.counters["printed_bytes"] = static_cast<double>(printed);
}
BENCHMARK(LogCommandOnAMillionRows)->ArgName("ini")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReplayOfAHundredThousandRowsReadOnce(benchmark::State& state) {
    test::SampleLog sample;
    sample.sessions = 3;
    sample.rows = 100000;
    sample.scenario = test::crowd_scenario();
    const std::string text = test::sample_shot_log(sample);
    sim::ShotLog log;
    const sim::LoggedShots shots = sim::read_logged_shots(text, "log", log);
    const std::string ini = sim::read_file(BB_SOURCE_DIR "/release/Barrelburst.ini", "INI");
    for (auto _ : state) benchmark::DoNotOptimize(sim::replay_under_ini(shots, ini));
    state.counters["rows"] = static_cast<double>(shots.size());
}
BENCHMARK(ReplayOfAHundredThousandRowsReadOnce)->Unit(benchmark::kMillisecond);

// The page for these files, written in the log's folder; its size a counter.
void report_page(benchmark::State& state, const sim::ReportOptions& options, std::uintmax_t limit) {
    const std::filesystem::path page = million_row_log().parent_path() / "Barrelburst-report.html";
    for (auto _ : state) sim::write_report(options, page);
    const std::uintmax_t size = std::filesystem::file_size(page);
    state.counters["page_bytes"] = static_cast<double>(size);
    if (size > limit) state.SkipWithError("the page is larger than it may be");
}

void ReportWithTheShippedIniAndATwentyMinuteLog(benchmark::State& state) {
    const std::filesystem::path log = million_row_log().parent_path() / "twenty-minutes.csv";
    test::SampleLog sample;
    sample.sessions = 1;
    sample.rows = 9600;
    std::ofstream(log, std::ios::binary) << test::sample_shot_log(sample);
    report_page(state, {BB_SOURCE_DIR "/release/Barrelburst.ini", log, "", std::nullopt}, 2u << 20);
}
BENCHMARK(ReportWithTheShippedIniAndATwentyMinuteLog)->Unit(benchmark::kMillisecond);

void ReportWithAMillionRowLog(benchmark::State& state) {
    report_page(state, {BB_SOURCE_DIR "/release/Barrelburst.ini", million_row_log(), "", std::nullopt}, 5u << 20);
}
BENCHMARK(ReportWithAMillionRowLog)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReportWithAnIniOf600000UnknownKeys(benchmark::State& state) {
    const std::filesystem::path ini = million_row_log().parent_path() / "huge.ini";
    {
        std::ofstream out(ini, std::ios::binary);
        out << "[Main]\n";
        for (int i = 0; i < 600000; ++i) out << "an_unknown_key_of_a_broken_file_" << i << "=0.5\n";
    }
    state.counters["ini_bytes"] = static_cast<double>(std::filesystem::file_size(ini));
    report_page(state, {ini, std::nullopt, "", std::nullopt}, 5u << 20);
}
BENCHMARK(ReportWithAnIniOf600000UnknownKeys)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
