// barrelburst-sim run: scenarios read with their file and line, the world
// driven frame by frame, the records the run takes from the plugin and the
// world, and what run prints and writes.

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host.h"
#include "plugin_session.h"
#include "host/plugin_state.h"
#include "shared/tool_error.h"
#include "support/cli_support.h"
#include "support/model_world.h"
#include "world/fiber_runner.h"
#include "world/observer.h"
#include "world/scenario.h"
#include "world/simulation.h"

namespace {

using ::testing::HasSubstr;

class RunTest : public test::ToolTest {
protected:
    sim::Scenario scenario(const std::string& toml) { return sim::load_scenario(write("scenario.toml", toml)); }
};

// ---------------------------------------------------------------- scenarios

TEST_F(RunTest, AScenarioThatDoesNotParseOrHoldsAnUnknownKeyNamesFileAndLine) {
    const std::string bad = write("bad.toml", "name = \"x\"\n\nframes = \n");
    const Cli syntax = cli({"run", "--scenario", bad});
    EXPECT_EQ(syntax.status, 1);
    EXPECT_THAT(syntax.err, HasSubstr("barrelburst-sim run: " + bad + ":3:"));

    const std::string unknown = write("unknown.toml", "[player]\nweapon = { kind = \"rifle\" }\n\nwepon = 1\n");
    const Cli key = cli({"run", "--scenario", unknown});
    EXPECT_EQ(key.status, 1);
    EXPECT_THAT(key.err, HasSubstr(unknown + ":4: unknown key 'wepon' in [player]"));

    const std::string value = write("value.toml", "[[npc]]\nname = \"a\"\nweapon = { kind = \"laser\" }\n");
    const Cli kind = cli({"run", "--scenario", value});
    EXPECT_EQ(kind.status, 1);
    EXPECT_THAT(kind.err, HasSubstr(value + ":3: [[npc]].weapon.kind 'laser' is not one of"));

    const Cli none = cli({"run", "--scenario", "no-such-scenario"});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.err, HasSubstr("no scenario file 'no-such-scenario' and no shipped scenario of that name"));
}

TEST_F(RunTest, FiringPatternsBurstsAndTemperatureCurves) {
    sim::FiringPattern f;
    f.start = 10;
    f.interval = 4;
    f.burst = 3;
    f.pause = 5;
    f.stop = 40;
    std::vector<int> frames;
    for (int frame = 1; frame <= 50; ++frame) {
        if (f.fires(frame)) frames.push_back(frame);
    }
    // Bursts of three, four frames apart; a cycle is 3 x 4 + 5 = 17 frames.
    EXPECT_EQ(frames, (std::vector<int>{10, 14, 18, 27, 31, 35}));

    const sim::Scenario s = scenario("[world]\ntemperature = [[0, -10.0], [100, 10.0], [200, 10]]\n");
    EXPECT_EQ(s.temperature_at(0), -10.0f);
    EXPECT_EQ(s.temperature_at(50), 0.0f);
    EXPECT_EQ(s.temperature_at(150), 10.0f);
    EXPECT_EQ(s.temperature_at(1000), 10.0f);
}

// ---------------------------------------------------------------- presses

// The run on the stand-in host's script fiber, as run_simulation drives it,
// noting in which frames the plugin's natives found F7 down and the player
// shooting: what the script sees, not what the scenario asks for.
class WatchingRunner : public sim::FiberRunner {
public:
    static constexpr int vk_f7 = 0x76;
    std::vector<int> f7_frames;
    std::vector<int> shooting_frames;

    void attach(int frames) override {
        FiberRunner::attach(frames);
        world().answer_override = [this](std::uint64_t, const std::uint64_t*, int, std::uint64_t*) {
            standin::World& w = world();
            note(f7_frames, w.frame(), w.keys_down[vk_f7]);
            note(shooting_frames, w.frame(), w.ped(w.player_ped).shooting);
            return false;
        };
    }
    void detach() override {
        world().answer_override = nullptr;
        FiberRunner::detach();
    }

private:
    static void note(std::vector<int>& frames, int frame, bool yes) {
        if (yes && (frames.empty() || frames.back() != frame)) frames.push_back(frame);
    }
};

TEST_F(RunTest, PressTablesReachTheWorldInTheFramesTheOtherTablesCount) {
    const sim::Scenario s = scenario(R"(
frames = 12
[player]
weapon = { kind = "rifle" }
firing = { start = 3, interval = 1000 }
[[press]]
frame = 3
frames = 2
key = "F7"
[[press]]
frame = 5
key = "down"
[[press]]
frame = 6
frames = 3
key = "NumPad8"
[[press]]
frame = 9
button = "INPUT_FRONTEND_UP"
)");
    ASSERT_EQ(s.presses.size(), 4u);
    const auto as_tuple = [](const standin::InputPress& p) { return std::tuple(p.frame, p.frames, p.key, p.button); };
    EXPECT_EQ(as_tuple(s.presses[0]), std::tuple(3, 2, 0x76, 0u));
    EXPECT_EQ(as_tuple(s.presses[1]), std::tuple(5, 1, 0x28, 0u));
    EXPECT_EQ(as_tuple(s.presses[2]), std::tuple(6, 3, 0x68, 0u));
    EXPECT_EQ(as_tuple(s.presses[3]), std::tuple(9, 1, 0, 0x6319DB71u));

    sim::RunOptions options;
    options.scenario = s;
    WatchingRunner runner;
    {
        sim::SimulationRun run(options, runner);
        run.run_to(12);
        ASSERT_EQ(runner.world().presses.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(as_tuple(runner.world().presses[i]), as_tuple(s.presses[i])) << i;
        }
        const sim::RunResult result = run.finish();
        EXPECT_TRUE(result.host_errors.empty());
    }
    // frame = 3 is the frame in which firing.start = 3 fires, the player's third.
    EXPECT_EQ(runner.shooting_frames, (std::vector<int>{3}));
    EXPECT_EQ(runner.f7_frames, (std::vector<int>{3, 4}));
    reset_plugin_state();
}

TEST_F(RunTest, APressThatIsNotOneKeyOrOneButtonIsRefusedWithFileAndLine) {
    const auto refusal = [this](const std::string& toml) {
        const std::string file = write("press.toml", toml);
        try {
            sim::load_scenario(file);
        } catch (const sim::ToolError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind(file + ":", 0), 0u) << message;
            return message.substr(file.size());
        }
        ADD_FAILURE() << "accepted:\n" << toml;
        return std::string();
    };
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nkey = \"F25\"\n"),
                HasSubstr(":3: [[press]].key 'F25' is not a key (F1-F24, "));
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nkey = \"\"\n"), HasSubstr(":3: [[press]].key '' is not a key"));
    EXPECT_THAT(refusal("frames = 9\n\n[[press]]\nframe = 1\nkey = \"F7\"\nbutton = \"INPUT_FRONTEND_UP\"\n"),
                HasSubstr(":3: [[press]] needs either a key"));
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nkey = \"F7\"\n\n[[press]]\nframe = 4\nframes = 2\n"),
                HasSubstr(":5: [[press]] needs either a key"));
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nframes = 0\nkey = \"F7\"\n"),
                HasSubstr(":3: [[press]].frames must be from 1 to 100000000, not 0"));
    EXPECT_THAT(refusal("[[press]]\nframe = 0\nkey = \"F7\"\n"), HasSubstr(":2: [[press]].frame must be from 1"));
    EXPECT_THAT(refusal("[[press]]\nkey = \"F7\"\n"), HasSubstr(":1: [[press]] needs a frame"));
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nkey = \"F7\"\nheld = 3\n"),
                HasSubstr(":4: unknown key 'held' in [[press]] (known: frame, frames, key, button)"));
    EXPECT_THAT(refusal("[[press]]\nframe = 1\nkey = 118\n"), HasSubstr(":3: [[press]].key must be a text"));
    for (const char* button : {"FRONTEND_UP", "input_frontend_up", "INPUT_", "INPUT_FRONTEND UP", "XINPUT_A"}) {
        EXPECT_THAT(refusal(std::string("[[press]]\nframe = 1\nbutton = \"") + button + "\"\n"),
                    HasSubstr(std::string(":3: [[press]].button '") + button + "' is not a control action"));
    }
    EXPECT_THAT(refusal("press = 3\n"), HasSubstr(":1: press must be a list of [[press]] tables"));
}

// ---------------------------------------------------------------- run

constexpr const char* small_scenario = R"(
name = "small"
frames = 400
[world]
temperature = 22.0
[player]
weapon = { kind = "rifle", dirt = 0.45, degradation = 0.7 }
firing = { start = 5, interval = 9, burst = 4, pause = 30 }
rearm_after = 30
[[npc]]
name = "bandit"
count = 3
stagger = 4
weapon = { kind = "shotgun", dirt = 0.8, degradation = 0.8 }
firing = { start = 3, interval = 15 }
rearm_after = 40
[[npc]]
name = "deputy"
weapon = { kind = "revolver", dirt = 0.2, degradation = 0.85 }
firing = { start = 7, interval = 11 }
)";

TEST_F(RunTest, TheSameSeedGivesTheSameRun) {
    const std::string file = write("small.toml", small_scenario);
    const Cli first = cli({"run", "--scenario", file, "--seed", "7"});
    const Cli second = cli({"run", "--scenario", file, "--seed", "7"});
    const Cli other = cli({"run", "--scenario", file, "--seed", "8"});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out, other.out);
    EXPECT_THAT(first.out, HasSubstr("400 frames (6.7 s of play at 60 frames a second), seed 7\n"));
}

TEST_F(RunTest, TheSummaryCountsTheFailuresListed) {
    const std::string file = write("small.toml", small_scenario);
    const Cli r = cli({"run", "--scenario", file, "--seed", "3"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    std::map<std::string, std::pair<int, int>> listed;  // "Kind class" -> cracks, explosions
    const std::regex failure(R"(^ +\d+  \S+ \((Player|NPC)\) +(\S+) .* (crack|explosion)$)");
    const std::regex row(R"(^  (Player|NPC|all) +(\S*) +(\d+) +(\d+) +(\d+) .*$)");
    std::map<std::string, std::pair<int, int>> summed;
    std::istringstream lines(r.out);
    std::string line;
    int failures = 0;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_match(line, m, failure)) {
            auto& counts = listed[m[1].str() + " " + m[2].str()];
            (m[3] == "crack" ? counts.first : counts.second)++;
            ++failures;
        } else if (std::regex_match(line, m, row) && m[1] != "all") {
            summed[m[1].str() + " " + m[2].str()] = {std::stoi(m[4]), std::stoi(m[5])};
        }
    }
    EXPECT_GT(failures, 2);
    for (const auto& [group, counts] : listed) EXPECT_EQ(summed[group], counts) << group;
    for (const auto& [group, counts] : summed) {
        if (counts != std::pair{0, 0}) {
            EXPECT_EQ(listed[group], counts) << group;
        }
    }
    int cracks = 0;
    for (const auto& [group, counts] : listed) cracks += counts.first;
    EXPECT_THAT(r.out, HasSubstr("failures: " + std::to_string(cracks) + " crack(s) and " +
                                 std::to_string(failures - cracks) + " explosion(s)"));
}

TEST_F(RunTest, RecordedOutcomesMatchWhatTheWorldSaw) {
    sim::RunOptions options;
    options.scenario = scenario(small_scenario);
    options.seed = 11;
    options.frames = 1200;
    const sim::RunResult result = sim::run_simulation(options);
    EXPECT_TRUE(result.host_errors.empty());
    EXPECT_TRUE(result.observer_errors.empty());
    int cracks = 0;
    int explosions = 0;
    for (const sim::ShotRecord& s : result.shots) {
        if (s.outcome == ShotOutcome::crack) ++cracks;
        if (s.outcome == ShotOutcome::explosion) ++explosions;
    }
    EXPECT_GT(cracks, 0);
    EXPECT_GT(explosions, 0);
    // Every failure blasts once; every explosion takes the weapon away.
    EXPECT_EQ(result.game_explosions, static_cast<std::size_t>(cracks + explosions));
    EXPECT_EQ(result.weapon_removals, static_cast<std::size_t>(explosions));
    ASSERT_EQ(result.frame_records.size(), 1200u);
    int frame_cracks = 0;
    int frame_shots = 0;
    for (const sim::FrameRecord& f : result.frame_records) {
        frame_cracks += f.cracks;
        frame_shots += f.shots;
    }
    EXPECT_EQ(frame_cracks, cracks);
    EXPECT_EQ(frame_shots, static_cast<int>(result.shots.size()));
}

TEST_F(RunTest, AShotsRollChancesAndConditionAreThePluginsOwn) {
    // Seeds whose roll does not fail the shot: an NPC draws its firing dirt
    // then its roll, the player its recoil, its firing dirt, then its roll.
    const std::uint32_t npc_seed = test::seed_where(2, [](const std::vector<float>& u) { return u[1] > 0.01f; });
    sim::RunOptions options;
    options.scenario = scenario(R"(
frames = 3
[[npc]]
name = "lone"
weapon = { kind = "pistol", dirt = 0.2, degradation = 0.3 }
firing = { start = 2, stop = 2 }
)");
    options.seed = npc_seed;
    const sim::RunResult npc = sim::run_simulation(options);
    ASSERT_EQ(npc.shots.size(), 1u);
    const sim::ShotRecord& shot = npc.shots[0];
    EXPECT_EQ(shot.frame, 2);
    EXPECT_TRUE(shot.is_npc);
    EXPECT_STREQ(shot.weapon_class, "pistol");
    EXPECT_EQ(shot.dirt, 0.2f);
    EXPECT_EQ(shot.game_degradation, 0.3f);
    EXPECT_EQ(shot.effective_degradation, 0.3f);
    EXPECT_FALSE(shot.base_degradation);
    EXPECT_EQ(shot.chances.crack_chance, 0.002f);
    EXPECT_EQ(shot.chances.explosion_chance, 0.0f);
    EXPECT_EQ(shot.roll, test::unit_of(test::draw_bits(npc_seed, 2)[1]));
    EXPECT_EQ(shot.outcome, ShotOutcome::none);
    EXPECT_TRUE(shot.finished);

    const std::uint32_t player_seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.01f; });
    options.scenario = scenario(R"(
frames = 3
[player]
weapon = { kind = "revolver", dirt = 0.2, degradation = 0.3 }
firing = { start = 2, stop = 2 }
)");
    options.seed = player_seed;
    const sim::RunResult player = sim::run_simulation(options);
    ASSERT_EQ(player.shots.size(), 1u);
    const std::vector<std::uint32_t> bits = test::draw_bits(player_seed, 3);
    const float recoil = static_cast<float>(bits[0]) * 1.0f * 5.9604645e-08f + 1.0f;
    EXPECT_FALSE(player.shots[0].is_npc);
    EXPECT_EQ(player.shots[0].heat, recoil * 0.083333336f + 0.025f + 20.0f * 0.0022222223f);
    EXPECT_EQ(player.shots[0].roll, test::unit_of(bits[2]));
    EXPECT_TRUE(player.observer_errors.empty());
}

TEST_F(RunTest, ABaseDegradationDrawIsTheShotsDegradation) {
    const std::uint32_t seed = test::seed_where(3, [](const std::vector<float>& u) { return u[2] > 0.1f; });
    sim::RunOptions options;
    options.ini = write("base.ini", "[Main]\ndebug_mode=1\n[Base_Degradation]\nREL_TEST=0.7,0.7\n");
    options.scenario = scenario(R"(
frames = 3
[[npc]]
name = "gang"
weapon = { kind = "shotgun", dirt = 0.1 }
firing = { start = 1, stop = 1 }
relationship = "REL_TEST"
)");
    options.seed = seed;
    const sim::RunResult result = sim::run_simulation(options);
    ASSERT_EQ(result.shots.size(), 1u);
    EXPECT_TRUE(result.shots[0].base_degradation);
    EXPECT_EQ(result.shots[0].base_degradation_entry, 0);
    EXPECT_EQ(result.shots[0].game_degradation, 0.0f);
    EXPECT_EQ(result.shots[0].effective_degradation, 0.7f);
    // Base degradation, firing dirt, then the roll.
    EXPECT_EQ(result.shots[0].roll, test::unit_of(test::draw_bits(seed, 3)[2]));
    EXPECT_TRUE(result.observer_errors.empty()) << result.observer_errors.front();
}

TEST_F(RunTest, AnOutcomeWaitsForASlowDictionary) {
    sim::RunOptions options;
    options.ini = write("debug.ini", "[Main]\ndebug_mode=1\n");
    options.scenario = scenario(R"(
frames = 900
[[world.dictionary]]
name = "core"
load = "slow"
frames = 30
[[npc]]
name = "wreck"
count = 2
weapon = { kind = "shotgun", dirt = 0.9, degradation = 0.9 }
firing = { start = 1, interval = 5 }
rearm_after = 10
)");
    options.seed = 5;
    const sim::RunResult result = sim::run_simulation(options);
    EXPECT_GT(result.shots.size(), 50u);
    EXPECT_TRUE(result.observer_errors.empty()) << result.observer_errors.front();
    const sim::ShotRecord* first = nullptr;
    for (const sim::ShotRecord& s : result.shots) {
        if (s.outcome != ShotOutcome::none) {
            first = &s;
            break;
        }
    }
    ASSERT_NE(first, nullptr);
    // Requested in the shot's frame, loaded 30 frames later; the wear comes after the effects.
    EXPECT_EQ(first->outcome_frame - first->frame, 30);
    EXPECT_EQ(result.frames_waiting_for_effects, 30);
}

TEST_F(RunTest, EveryShotOfAFrameInWhichAThousandPedsFireIsRead) {
    sim::RunOptions options;
    options.scenario = scenario(R"(
frames = 2
[player]
weapon = { kind = "rifle", dirt = 0.1, degradation = 0.1 }
firing = { start = 2, stop = 2 }
[[npc]]
name = "a"
count = 1000
weapon = { kind = "pistol", dirt = 0.1, degradation = 0.1 }
firing = { start = 2, stop = 2 }
[[npc]]
name = "b"
count = 23
weapon = { kind = "shotgun", dirt = 0.1, degradation = 0.1 }
firing = { start = 2, stop = 2 }
)");
    const sim::RunResult result = sim::run_simulation(options);
    EXPECT_TRUE(result.observer_errors.empty()) << result.observer_errors.front();
    // The player, then every NPC in the world's order, each once.
    ASSERT_EQ(result.shots.size(), 1024u);
    for (std::size_t i = 0; i < result.shots.size(); ++i) {
        EXPECT_EQ(result.shots[i].shooter, i);
        EXPECT_EQ(result.shots[i].frame, 2);
    }
    EXPECT_EQ(result.frame_records[1].shots, 1024);
}

TEST_F(RunTest, AWorldThatContradictsTheRecordsIsAnErrorNamingFrameAndShooter) {
    const sim::Scenario s = scenario(R"(
[[npc]]
name = "bandit"
weapon = { kind = "shotgun", dirt = 0.9, degradation = 0.9 }
)");
    reset_plugin_state();
    standin::World world;
    const sim::WorldDriver driver(s, world);
    sim::RunResult result;
    sim::ShotObserver observer(world, driver, result, false, false, nullptr);
    const std::int32_t bandit = driver.shooters()[0].ped;

    // The plugin records an explosion of the bandit's gun; the world shows
    // no blast, and no effect is loading.
    ShotRecord explosion;
    explosion.ped = bandit;
    explosion.is_npc = true;
    explosion.weapon_object = world.ped(bandit).weapon_object;
    explosion.outcome = ShotOutcome::explosion;
    shot_records.ring[0] = explosion;
    shot_records.written = 1;
    observer.end_frame(4);
    // Later the world shows a blast and wear that no record explains.
    world.blood_pools.push_back({9, bandit});
    world.wear.push_back({9, explosion.weapon_object, 0.5f});
    observer.end_frame(9);

    EXPECT_THAT(result.observer_errors,
                ::testing::ElementsAre(
                    "frame 4: bandit (NPC): a recorded explosion that the world does not show, and no effect was "
                    "loading",
                    "frame 9: bandit (NPC): a blast at the weapon that no recorded failure explains",
                    "frame 9: bandit (NPC): wear of the weapon that no recorded failure explains"));
    ASSERT_EQ(result.shots.size(), 1u);
    EXPECT_FALSE(result.shots[0].finished);
    reset_plugin_state();
}

// Live tuning in the simulated world: the scenario saves a new INI in play,
// the plugin reads it at its second look after the save, and the shots after
// it use the new tuning.
TEST_F(RunTest, AScenarioRewritesTheIniInPlayAndThePluginReadsItAgain) {
    write("start.ini", "[Main]\nreload_when_changed=1\n");
    write("hot.ini", "[Main]\nreload_when_changed=1\n[Expo_Chance]\nrifle_expo_chance_mod=0.9\n");
    const std::string file = write("tuning.toml", R"(
frames = 1000
ini_changes = [{ frame = 610, file = "hot.ini" }, { frame = 800, remove = true }]
[player]
weapon = { kind = "rifle", dirt = 0.1, degradation = 0.1 }
firing = { start = 10, interval = 10 }
)");
    const Cli r = cli({"run", "--ini", (scratch_.path() / "start.ini").string(), "--scenario", file, "--csv",
                       (scratch_.path() / "out").string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // Looks at passes 660 (the change is new) and 720 (it held still).
    EXPECT_THAT(r.out, HasSubstr("\n    610  Barrelburst.ini rewritten from hot.ini\n"));
    EXPECT_THAT(r.out, HasSubstr("\n    720  the plugin read Barrelburst.ini again\n"));
    EXPECT_THAT(r.out, HasSubstr("\n    800  Barrelburst.ini removed\n"));
    EXPECT_THAT(r.out, HasSubstr("Barrelburst.ini: changed 2 time(s) in play, read again by the plugin 1 time(s)"));

    sim::RunOptions options;
    options.scenario = sim::load_scenario(file);
    options.ini = scratch_.path() / "start.ini";
    const sim::RunResult result = sim::run_simulation(options);
    ASSERT_EQ(result.shots.size(), 100u);
    for (const sim::ShotRecord& shot : result.shots) {
        // The look comes before the pass's scan; the missing file at 800 keeps what was read.
        EXPECT_EQ(shot.tuning.expo_chance_mod, shot.frame < 720 ? 0.33f : 0.9f) << shot.frame;
    }

    const Cli bad = cli({"run", "--scenario", write("bad.toml", "ini_changes = [{ frame = 5 }]\n")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_THAT(bad.err, HasSubstr("bad.toml:1: each of ini_changes has either a file"));
}

TEST_F(RunTest, CsvRecordsOneLinePerShotAndPerFrame) {
    const std::string file = write("small.toml", small_scenario);
    const std::filesystem::path dir = scratch_.path() / "records";
    const Cli r = cli({"run", "--scenario", file, "--frames", "120", "--csv", dir.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines_of = [](const std::filesystem::path& path) {
        std::ifstream in(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    };
    const std::vector<std::string> frames = lines_of(dir / "frames.csv");
    ASSERT_EQ(frames.size(), 121u);
    EXPECT_EQ(frames[0].substr(0, 33), "frame,temperature,heat,cold,heat_");
    EXPECT_EQ(frames[1].substr(0, 5), "1,22,");
    const std::vector<std::string> shots = lines_of(dir / "shots.csv");
    ASSERT_GT(shots.size(), 10u);
    EXPECT_EQ(shots[0].substr(0, 36), "frame,outcome_frame,shooter,kind,cla");
    std::size_t shot_total = 0;
    std::smatch m;
    const std::regex summary_all(R"(\n  all +(\d+) )");
    ASSERT_TRUE(std::regex_search(r.out, m, summary_all));
    shot_total = std::stoul(m[1]);
    EXPECT_EQ(shots.size(), shot_total + 1);
}

// A CSV file as rows of fields (no field of these files holds a comma).
std::vector<std::vector<std::string>> csv_rows(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
        rows.push_back(fields);
    }
    return rows;
}

// With the INI's play log on, the plugin's own Barrelburst-shots.csv lands
// beside shots.csv: a row for each, the same shot in the same order.
TEST_F(RunTest, ThePluginsPlayLogOfARunLiesBesideItsRecords) {
    const std::string ini = write("log.ini", "[Main]\nshot_log=1\n");
    const std::filesystem::path dir = scratch_.path() / "records";
    // A folder named relative to the working directory, as a modder types it.
    const Cli r = cli({"run", "--ini", ini, "--frames", "900", "--csv", "records"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr((dir / "Barrelburst-shots.csv").string() + " (the plugin's play log)"));
    const auto shots = csv_rows(dir / "shots.csv");
    const auto log = csv_rows(dir / "Barrelburst-shots.csv");
    ASSERT_EQ(log.size(), shots.size());
    ASSERT_GT(log.size(), 50u);
    const auto column = [](const std::vector<std::string>& header, const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    int failures = 0;
    for (std::size_t i = 1; i < log.size(); ++i) {
        for (const char* name : {"kind", "class", "dirt", "effective_degradation", "heat", "cold", "crack_chance",
                                 "explosion_chance", "roll", "outcome"}) {
            ASSERT_EQ(log[i].at(column(log[0], name)), shots[i].at(column(shots[0], name))) << name << ", row " << i;
        }
        failures += log[i].back() != "none";
    }
    EXPECT_GT(failures, 0);
    // Without the switch there is no log to move.
    const Cli off = cli({"run", "--frames", "60", "--csv", (scratch_.path() / "off").string()});
    EXPECT_FALSE(std::filesystem::exists(scratch_.path() / "off" / "Barrelburst-shots.csv"));
    EXPECT_THAT(off.out, ::testing::Not(HasSubstr("play log")));
}

// The plugin's menu saves Barrelburst.ini in the working directory; the run
// keeps a file that is not as the run left it. The test saves it in the
// plugin's stead, between the last frame and the end of the run.
TEST_F(RunTest, TheIniSavedInARunIsKeptAndOnlyThen) {
    const std::string start = "[Main]\nreload_when_changed=1\n";
    const std::string ini = write("start.ini", start);
    write("hot.ini", "[Expo_Chance]\nrifle_expo_chance_mod=0.9\n");
    const std::string file = write("short.toml", "frames = 120\nini_changes = [{ frame = 30, file = \"hot.ini\" }]\n");
    const std::filesystem::path dir = scratch_.path() / "records";
    const std::filesystem::path kept = dir / "Barrelburst.ini";
    const auto run = [&](bool with_ini, bool with_changes, const std::function<void()>& save) {
        std::filesystem::remove(kept);
        sim::RunOptions options;
        options.scenario = with_changes ? sim::load_scenario(file) : scenario("frames = 120\n");
        if (with_ini) options.ini = ini;
        options.saved_ini_to = dir / "Barrelburst.ini";
        options.on_progress = [&](int done, int frames) {
            if (done == frames && save) save();
        };
        return sim::run_simulation(options);
    };
    const auto save = [](const std::string& text) {
        std::ofstream("Barrelburst.ini", std::ios::binary | std::ios::trunc) << text;
    };

    // New bytes, with the INI given or without one.
    const std::string saved = "[Main]\nreload_when_changed=1\nmenu_key=F8\n";
    for (const bool with_ini : {true, false}) {
        SCOPED_TRACE(with_ini);
        const sim::RunResult r = run(with_ini, false, [&] { save(saved); });
        ASSERT_EQ(r.saved_ini, kept);
        EXPECT_EQ(test::read_text(kept), saved);
    }
    EXPECT_EQ(test::read_text(ini), start);
    // The same bytes written again: only the write time tells.
    const sim::RunResult same = run(true, false, [&] {
        save(start);
        std::filesystem::last_write_time("Barrelburst.ini",
                                         std::filesystem::last_write_time("Barrelburst.ini") + std::chrono::seconds(5));
    });
    ASSERT_EQ(same.saved_ini, kept);
    EXPECT_EQ(test::read_text(kept), start);
    // After a scenario's rewrite, a save of the plugin's is still a save.
    EXPECT_EQ(run(true, true, [&] { save(saved); }).saved_ini, kept);

    // Nothing saved: what the run put there, the INI given or the scenario's rewrite, stays behind.
    for (const bool with_changes : {false, true}) {
        EXPECT_FALSE(run(true, with_changes, nullptr).saved_ini);
        EXPECT_FALSE(std::filesystem::exists(kept));
    }
    EXPECT_FALSE(run(false, false, nullptr).saved_ini);

    const Cli quiet = cli({"run", "--ini", ini, "--scenario", file, "--frames", "60", "--csv", dir.string()});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_THAT(quiet.out, HasSubstr("Records: "));
    EXPECT_THAT(quiet.out, ::testing::Not(HasSubstr("menu saved")));
    EXPECT_FALSE(std::filesystem::exists(kept));
}

// The menu itself, driven by a scenario's presses, saving through run --csv.
TEST_F(RunTest, RunCsvKeepsTheIniTheMenuSavedAndSaysSo) {
    const std::string start = "[Main]\nreload_when_changed=1\n";
    const std::string ini = write("start.ini", start);
    // The menu opened, [Main] entered, its first key stepped up, back to the
    // top page, up to Save (from the first row Up wraps: Close, Undo, Save), saved.
    std::string presses = "frames = 200\n";
    int frame = 10;
    for (const char* key : {"F7", "RETURN", "RIGHT", "BACK", "UP", "UP", "UP", "RETURN"}) {
        presses += "[[press]]\nframe = " + std::to_string(frame) + "\nkey = \"" + key + "\"\n";
        frame += 10;
    }
    const std::string file = write("menu.toml", presses);
    const std::filesystem::path dir = scratch_.path() / "records";
    const Cli r = cli({"run", "--ini", ini, "--scenario", file, "--csv", dir.string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr(", " + (dir / "Barrelburst.ini").string() + " (the INI the plugin's menu saved)\n"));
    const std::string saved = test::read_text(dir / "Barrelburst.ini");
    EXPECT_THAT(saved, HasSubstr("reload_when_changed=1"));
    EXPECT_THAT(saved, HasSubstr("maximum_chance_for_explosion="));
    EXPECT_EQ(test::read_text(ini), start);
}

TEST_F(RunTest, TheDefaultRunShowsACrackAnExplosionAndTheCameraKick) {
    // What the README's main job promises, with the INI that ships.
    const std::filesystem::path ini = sim::shipped_scenario_dir() / ".." / ".." / ".." / "release" / "Barrelburst.ini";
    const Cli r = cli({"run", "--ini", ini.string(), "--frames", "600"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("scenario \"warm-day gunfight\""));
    EXPECT_THAT(r.out, HasSubstr(", seed 1\n"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(failures: (\d+) crack\(s\) and (\d+) explosion\(s\))")));
    EXPECT_GE(std::stoi(m[1]), 1);
    EXPECT_GE(std::stoi(m[2]), 1);
    EXPECT_THAT(r.out, HasSubstr("camera recoil: the kick moved the camera in "));
}

TEST_F(RunTest, EveryShippedScenarioLoadsAndRuns) {
    const auto shipped = sim::shipped_scenarios();
    ASSERT_GE(shipped.size(), 4u);
    for (const auto& [name, file] : shipped) {
        SCOPED_TRACE(name);
        sim::RunOptions options;
        options.scenario = sim::load_scenario(file);
        EXPECT_FALSE(options.scenario.description.empty());
        options.frames = 400;
        const sim::RunResult result = sim::run_simulation(options);
        EXPECT_TRUE(result.host_errors.empty());
        EXPECT_TRUE(result.observer_errors.empty());
        EXPECT_FALSE(result.shots.empty());
    }
    // A shipped scenario by its name, with or without .toml.
    const Cli by_name = cli({"run", "--scenario", "frozen-mountain", "--frames", "10"});
    EXPECT_EQ(by_name.status, 0) << by_name.err;
    EXPECT_THAT(by_name.out, HasSubstr("scenario \"frozen mountain\""));
    EXPECT_EQ(cli({"run", "--scenario", "swamp-wading.toml", "--frames", "10"}).status, 0);
    const Cli list = cli({"run", "--list-scenarios"});
    EXPECT_THAT(list.out, HasSubstr("  warm-day-gunfight (default): "));
}

}  // namespace
