#include "support/shot_log_sample.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "model/shot_log.h"
#include "shared/files.h"
#include "world/scenario.h"
#include "world/simulation.h"

namespace test {

namespace {

// The log's rows after its header, up to count of them.
std::string rows_of(const std::string& log, std::int64_t count) {
    std::size_t at = log.find('\n') + 1;
    const std::size_t start = at;
    for (std::int64_t i = 0; i < count && at < log.size(); ++i) at = log.find('\n', at) + 1;
    return log.substr(start, at - start);
}

std::int64_t rows_in(const std::string& log) {
    std::int64_t lines = 0;
    for (const char c : log) lines += c == '\n' ? 1 : 0;
    return lines - 1;
}

std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// One session: the scenario played long enough for rows shots, its log's
// first rows under the session's value.
std::string session_rows(const SampleLog& sample, const sim::Scenario& scenario, const std::filesystem::path& dir,
                         int index, std::int64_t rows) {
    sim::RunOptions options;
    options.scenario = scenario;
    options.ini = dir / "Barrelburst.ini";
    options.seed = sample.seed + static_cast<std::uint32_t>(index);
    options.keep_frame_records = false;
    options.shot_log_to = dir / "log.csv";
    std::int64_t frames = scenario.frames;
    while (true) {
        options.frames = static_cast<int>(frames);
        const sim::RunResult run = sim::run_simulation(options);
        if (!run.shot_log) throw std::runtime_error("the sample's run wrote no play log");
        const std::string log = read(*run.shot_log);
        const std::int64_t logged = rows_in(log);
        if (logged >= rows) {
            const std::string session = sample_session(index);
            std::string out;
            std::istringstream lines(rows_of(log, rows));
            for (std::string line; std::getline(lines, line);) out += session + line.substr(line.find(',')) + "\n";
            return out;
        }
        // Longer, by what the shots so far promise.
        frames = logged > 0 ? frames * rows / logged + frames / 4 + 1 : frames * 4;
    }
}

}  // namespace

std::string sample_session(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-%02dT%02d:00:00Z", 1 + i % 28, i / 28 % 24);
    return text;
}

std::string crowd_scenario() {
    std::string scenario =
        "name = \"crowd\"\nframes = 3000\n[world]\ntemperature = [[0, 5.0], [3000, 25.0]]\n[player]\n"
        "weapon = { kind = \"rifle\", dirt = 0.3, degradation = 0.6 }\n"
        "firing = { start = 5, interval = 12, burst = 5, pause = 60 }\nrearm_after = 60\n";
    const char* kinds[] = {"pistol", "revolver", "repeater", "rifle", "sniper", "shotgun"};
    for (int i = 0; i < 6; ++i) {
        char group[512];
        std::snprintf(group, sizeof group,
                      "[[npc]]\nname = \"%s\"\ncount = 40\nstagger = 3\n"
                      "weapon = { kind = \"%s\", dirt = 0.%d, degradation = 0.%d }\n"
                      "firing = { start = %d, interval = 10 }\nrearm_after = 30\n"
                      "relationship = \"REL_GANG_ODRISCOLL\"\n",
                      kinds[i], kinds[i], 3 + i, 4 + i, 1 + i);
        scenario += group;
    }
    return scenario;
}

std::string sample_shot_log(const SampleLog& sample) {
    const std::filesystem::path dir = sim::make_temporary_directory("barrelburst-sample", "the sample log");
    std::string out = std::string(shot_log_header) + "\n";
    try {
        std::ofstream(dir / "Barrelburst.ini", std::ios::binary) << sample.ini << "\n[Main]\nshot_log=1\n";
        std::filesystem::path scenario_file = dir / "scenario.toml";
        if (sample.scenario.find('\n') == std::string::npos) {
            scenario_file = sim::resolve_scenario(sample.scenario);
        } else {
            std::ofstream(scenario_file, std::ios::binary) << sample.scenario;
        }
        const sim::Scenario scenario = sim::load_scenario(scenario_file);
        for (int i = 0; i < sample.sessions; ++i) {
            const std::int64_t rows = sample.rows / sample.sessions + (i < sample.rows % sample.sessions ? 1 : 0);
            out += session_rows(sample, scenario, dir, i, rows);
        }
    } catch (...) {
        std::filesystem::remove_all(dir);
        throw;
    }
    std::filesystem::remove_all(dir);
    return out;
}

}  // namespace test
