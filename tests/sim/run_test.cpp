// barrelburst-sim run: scenarios read with their file and line, the world
// driven frame by frame, the records the run takes from the plugin and the
// world, and what run prints and writes.

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_state.h"
#include "support/cli_support.h"
#include "support/model_world.h"
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
    standin::reset_plugin_globals();
    standin::World world;
    const sim::WorldDriver driver(s, world);
    sim::RunResult result;
    sim::ShotObserver observer(world, driver, result, false, nullptr);
    const std::int32_t bandit = driver.shooters()[0].ped;

    // The plugin records an explosion of the bandit's gun; the world shows
    // no blast, and no effect is loading.
    ShotRecord explosion;
    explosion.ped = bandit;
    explosion.is_npc = true;
    explosion.weapon_object = world.ped(bandit).weapon_object;
    explosion.outcome = ShotOutcome::explosion;
    shot_records[0] = explosion;
    shot_records_written = 1;
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
    standin::reset_plugin_globals();
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
        EXPECT_EQ(shot.chances.expo_chance_mod, shot.frame < 720 ? 0.33f : 0.9f) << shot.frame;
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
