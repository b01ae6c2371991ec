// The plugin's state, put back to how it stands at load by
// reset_plugin_state(): every shipped scenario run in this process right
// after another run is its run in a process of its own. The run before works
// everything that keeps state: the menu (edits in force, unsaved), the play
// log, live reloading, the overlay, the banner, failures and heat smoke.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/shot_log.h"
#include "support/cli_support.h"

namespace {

// The file's lines without the first column (the play log's session: the
// time the run started).
std::string without_sessions(const std::string& log) {
    std::string out;
    for (std::size_t at = 0; at < log.size();) {
        const std::size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end - at);
        out += line.substr(line.find(',')) + "\n";
        at = end == std::string::npos ? log.size() : end + 1;
    }
    return out;
}

class PluginStateTest : public test::ToolTest {
protected:
    // The run's records and what it printed, its folder's name taken out.
    struct Records {
        std::string printed;
        std::string shots;
        std::string frames;
        std::string log;
    };
    Records records_of(const std::filesystem::path& dir, std::string printed) const {
        for (std::size_t at; (at = printed.find(dir.string())) != std::string::npos;) {
            printed.replace(at, dir.string().size(), "DIR");
        }
        return {printed, test::read_text(dir / "shots.csv"), test::read_text(dir / "frames.csv"),
                without_sessions(test::read_text(dir / shot_log_file_name))};
    }
};

TEST_F(PluginStateTest, EveryShippedScenarioAfterAnotherRunIsItsRunInAProcessOfItsOwn) {
    std::string before = test::read_text(std::string(BB_SOURCE_DIR) + "/tools/sim/scenarios/worn-out-posse.toml");
    before.replace(before.find("frames = 3600"), 13, "frames = 1200");
    // F7, Enter into [Main], Right on its cap and on debug_mode: edits in
    // force, not saved, and the menu left open; the file changes and is read
    // again.
    int frame = 300;
    for (const char* key : {"F7", "RETURN", "RIGHT", "RIGHT", "DOWN", "RIGHT"}) {
        before += "\n[[press]]\nframe = " + std::to_string(frame) + "\nkey = \"" + key + "\"\n";
        frame += 4;
    }
    before += "\n[[ini_changes]]\nframe = 700\nfile = \"" + write("changed.ini", "[Main]\nshot_log=1\n") + "\"\n";
    const std::string before_ini = write("before.ini", "[Main]\nshot_log=1\ndebug_mode=1\nreload_when_changed=1\n"
                                                       "enable_native_UI=1\n[Base_Degradation]\nREL_GANG_ODRISCOLL=0.6,0.9\n");
    const std::string ini = write("run.ini", "[Main]\nshot_log=1\ndebug_mode=1\n");
    std::size_t compared = 0;
    for (const std::string scenario : {"warm-day-gunfight", "frozen-mountain", "swamp-wading", "worn-out-posse"}) {
        SCOPED_TRACE(scenario);
        const std::filesystem::path alone = scratch_.path() / (scenario + "-alone");
        const std::filesystem::path after = scratch_.path() / (scenario + "-after");
        const std::string command = std::string(BB_SIM) + " run --ini " + ini + " --scenario " + scenario +
                                    " --seed 2 --csv " + alone.string() + " > " + (alone.string() + ".txt");
        ASSERT_EQ(std::system(command.c_str()), 0);

        const Cli first = cli({"run", "--ini", before_ini, "--scenario", write("before.toml", before), "--seed", "5",
                               "--csv", (scratch_.path() / "before").string()});
        ASSERT_EQ(first.status, 0) << first.err;
        ASSERT_NE(first.out.find("the plugin read Barrelburst.ini again"), std::string::npos) << first.out;
        const Cli second = cli({"run", "--ini", ini, "--scenario", scenario, "--seed", "2", "--csv", after.string()});
        ASSERT_EQ(second.status, 0) << second.err;

        // The plugin's own console line reaches the process's output, not the tool's.
        std::string printed = test::read_text(alone.string() + ".txt");
        for (std::size_t at; (at = printed.find("Can't load ptfx dictionary!\n")) != std::string::npos;) {
            printed.erase(at, 28);
        }
        const Records a = records_of(alone, printed);
        const Records b = records_of(after, second.out);
        EXPECT_EQ(b.printed, a.printed);
        EXPECT_EQ(b.shots, a.shots);
        EXPECT_EQ(b.frames, a.frames);
        EXPECT_EQ(b.log, a.log);
        compared += a.shots.size();
    }
    EXPECT_GT(compared, 10000u);
}

}  // namespace
