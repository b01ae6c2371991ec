#include "plot.h"

#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform.h"
#include "scratch.h"

namespace sim {

namespace {

// At most this many points of each curve.
constexpr std::size_t most_points = 4000;

// gnuplot's single-quoted string: a quote is written twice.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

class TemporaryDirectory {
public:
    TemporaryDirectory() : path_(make_temporary_directory("barrelburst-plot", "the plot")) {}
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct Series {
    std::string file;
    std::string style;
    std::string title;
    std::size_t points = 0;
};

}  // namespace

std::filesystem::path find_gnuplot() { return find_on_path("gnuplot"); }

void write_plot(const std::filesystem::path& file, const RunResult& result) {
    const std::string extension = file.extension().string();
    std::string terminal;
    if (extension == ".svg") {
        terminal = "svg size 1100,550 dynamic background rgb 'white' font 'sans,11'";
    } else if (extension == ".png") {
        terminal = "pngcairo size 1100,550 background rgb 'white' font 'sans,10'";
    } else {
        throw ToolError("cannot plot to '" + file.string() + "': the file name must end in .svg or .png");
    }
    const std::filesystem::path gnuplot = find_gnuplot();
    if (gnuplot.empty()) {
        throw ToolError("cannot plot to '" + file.string() +
                        "': gnuplot is not on PATH (Debian package gnuplot-nox)");
    }

    TemporaryDirectory scratch;
    const std::filesystem::path frames_file = scratch.path() / "frames.dat";
    {
        std::ofstream out(frames_file);
        const std::size_t n = result.frame_records.size();
        const std::size_t stride = n > most_points ? (n + most_points - 1) / most_points : 1;
        for (std::size_t i = 0; i < n; i += stride) {
            const FrameRecord& f = result.frame_records[i];
            out << f.frame << ' ' << f.heat << ' ' << f.cold << ' ' << f.temperature << '\n';
        }
    }
    std::vector<Series> failures = {
        {"player_cracks.dat", "points pt 7 ps 1.1 lc rgb '#ff7f0e'", "crack (player)"},
        {"npc_cracks.dat", "points pt 6 ps 1.1 lc rgb '#ff7f0e'", "crack (NPC)"},
        {"player_explosions.dat", "points pt 5 ps 1.2 lc rgb '#000000'", "explosion (player)"},
        {"npc_explosions.dat", "points pt 4 ps 1.2 lc rgb '#000000'", "explosion (NPC)"},
    };
    {
        std::vector<std::ofstream> outs;
        for (const Series& s : failures) outs.emplace_back(scratch.path() / s.file);
        for (const ShotRecord& shot : result.shots) {
            if (shot.outcome == ShotOutcome::none) continue;
            const std::size_t index = (shot.outcome == ShotOutcome::explosion ? 2 : 0) + (shot.is_npc ? 1 : 0);
            // On the curve: the heat the shot saw, or its cold on a cold barrel.
            outs[index] << shot.frame << ' ' << (shot.cold > 0.0f ? shot.cold : shot.heat) << '\n';
            ++failures[index].points;
        }
    }

    const std::filesystem::path output = std::filesystem::absolute(file);
    std::error_code made;
    if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path(), made);
    const std::filesystem::path script_file = scratch.path() / "plot.gp";
    {
        std::ofstream script(script_file);
        script << "set terminal " << terminal << "\n";
        script << "set output " << quoted(output.string()) << "\n";
        script << "set title " << quoted("Barrel heat and cold: " + result.scenario + ", seed " +
                                         std::to_string(result.seed) + " (failures at the heat or cold they saw)")
               << " noenhanced\n";
        script << "set xlabel 'frame (60 frames = 1 s)'\n";
        script << "set ylabel 'barrel heat / cold'\n";
        script << "set yrange [0:1.05]\nset ytics nomirror\n";
        script << "set y2label 'temperature (degrees C)'\nset y2tics\n";
        script << "set xrange [1:" << (result.frames > 1 ? result.frames : 2) << "]\n";
        script << "set key below horizontal noenhanced\nset grid\n";
        script << "plot " << quoted(frames_file.string()) << " using 1:2 with lines lw 2 lc rgb '#d62728' title 'heat', \\\n";
        script << "     '' using 1:3 with lines lw 2 lc rgb '#1f77b4' title 'cold', \\\n";
        script << "     '' using 1:4 axes x1y2 with lines dt 2 lc rgb '#7f7f7f' title 'temperature'";
        for (const Series& s : failures) {
            if (s.points == 0) continue;
            script << ", \\\n     " << quoted((scratch.path() / s.file).string()) << " using 1:2 with " << s.style
                   << " title " << quoted(s.title);
        }
        script << "\n";
    }

    const std::filesystem::path log_file = scratch.path() / "gnuplot.log";
    const int status = run_program(gnuplot, {script_file.string()}, log_file);
    std::ifstream log(log_file);
    std::stringstream message;
    message << log.rdbuf();
    if (status != 0) throw ToolError("gnuplot could not draw '" + file.string() + "': " + message.str());
    std::error_code error;
    if (!std::filesystem::exists(output, error)) {
        throw ToolError("gnuplot wrote no '" + file.string() + "': " + message.str());
    }
}

}  // namespace sim
