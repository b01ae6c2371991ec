// barrelburst-sim log --ini: a play log replayed through the plugin's own
// decisions under another INI. With the game's INI it writes every row back
// as logged; with another it gives that INI's own run of the same world up
// to the first shot whose outcome differs; the scan's gates, exploded guns,
// draws the log lacks, bad rows and logs of the version before.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/shot_log.h"
#include "support/cli_support.h"
#include "support/shot_log_sample.h"

namespace {

using ::testing::HasSubstr;
using Row = std::vector<std::string>;

// The rows of a play log, each split at its commas (the plugin quotes nothing).
std::vector<Row> rows_of(const std::string& text) {
    std::vector<Row> rows;
    std::size_t start = text.find('\n') + 1;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        Row row;
        const std::string line = text.substr(start, end - start) + ",";
        for (std::size_t at = 0, comma; (comma = line.find(',', at)) != std::string::npos; at = comma + 1) {
            row.push_back(line.substr(at, comma - at));
        }
        rows.push_back(row);
        start = end + 1;
    }
    return rows;
}

std::size_t column(const char* name) {
    const std::string header = shot_log_header;
    const std::size_t at = header.find(name);
    return static_cast<std::size_t>(std::count(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(at), ','));
}

// A's INI, and B's: other dirt modifiers and class tuning, nothing else.
const std::string ini_a = "[Main]\nshot_log=1\n[Dirt_Increase]\npistol_dirt_modifier=1.1\nrevolver_dirt_modifier=0.97\n"
                          "[Base_Degradation]\nREL_GANG_ODRISCOLL=0.6,0.9\n";
const std::string ini_b = "[Main]\nshot_log=1\n[Dirt_Increase]\npistol_dirt_modifier=1.15\nrevolver_dirt_modifier=1.02\n"
                          "rifle_dirt_modifier=0.98\nshotgun_dirt_modifier=1.04\n[Min_Dirt_To_Explode]\n"
                          "pistol_min_dirt=0.52\nrifle_min_dirt=0.55\n[Min_Degradation_To_Explode]\n"
                          "revolver_min_degradation=0.45\n[Expo_Chance]\nrevolver_expo_chance_mod=0.3\n"
                          "shotgun_expo_chance_mod=0.35\n[Base_Degradation]\nREL_GANG_ODRISCOLL=0.6,0.9\n";

class LogReplayTest : public test::ToolTest {
protected:
    // The plugin's play log of a run of the scenario under the INI.
    std::string logged_run(const std::string& ini, const std::string& scenario, int seed) {
        const std::filesystem::path dir = scratch_.path() / ("run" + std::to_string(++runs_));
        const std::string file = write("run.ini", ini);
        const Cli r = cli({"run", "--ini", file, "--scenario", scenario, "--seed", std::to_string(seed), "--csv",
                           dir.string()});
        EXPECT_EQ(r.status, 0) << r.err;
        return (dir / shot_log_file_name).string();
    }
    // The log's shots replayed under the INI: the replayed log's text, and the JSON.
    std::pair<std::string, nlohmann::json> replay(const std::string& log, const std::string& ini) {
        const std::string out = (scratch_.path() / "replayed.csv").string();
        const Cli r = cli({"log", log, "--ini", write("replay.ini", ini), "--replay", out, "--format", "json"});
        EXPECT_LE(r.status, 1) << r.err;
        return {test::read_text(out), nlohmann::json::parse(r.out)};
    }
    int runs_ = 0;
};

TEST_F(LogReplayTest, UnderTheGamesIniEveryRowComesBackAsLogged) {
    for (const std::string scenario : {"worn-out-posse", "swamp-wading", "warm-day-gunfight", "frozen-mountain"}) {
        for (const int seed : {1, 2}) {
            const std::string log = logged_run(ini_a, scenario, seed);
            EXPECT_EQ(replay(log, ini_a).first, test::read_text(log)) << scenario << " seed " << seed;
        }
    }
    // Three game starts of a busy log, every shot as the plugin decides it.
    test::SampleLog sample;
    sample.sessions = 3;
    sample.rows = 6000;
    sample.ini = "[Main]\nmaximum_chance_for_explosion=0.9\n[Dirt_Increase]\nrifle_dirt_modifier=1.3\n"
                 "[Expo_Chance]\nshotgun_expo_chance_mod=0.9\n";
    const std::string text = test::sample_shot_log(sample);
    const auto [replayed, json] = replay(write("sample.csv", text), sample.ini);
    EXPECT_EQ(replayed, text);
    for (const nlohmann::json& s : json["sessions"]) {
        EXPECT_EQ(s["with_ini"]["shots"], s["shots"]);
        EXPECT_EQ(s["with_ini"]["explosions"], s["explosions"]);
        EXPECT_EQ(s["with_ini"]["drawn"], 0);
    }
}

// The world has no randomness of its own: runs under A and B with one seed
// draw the same numbers until a shot's outcome differs between them, and up
// to that shot A's log replayed under B is B's log. A crack there that only
// B makes has a wear drawn from the row, not B's.
TEST_F(LogReplayTest, UnderAnotherIniItIsThatInisRunUpToTheFirstShotWhoseOutcomeDiffers) {
    const std::size_t outcome = column("outcome");
    const std::size_t wear = column("crack_wear");
    std::size_t compared = 0;
    for (const std::string scenario : {"worn-out-posse", "warm-day-gunfight", "frozen-mountain", "swamp-wading"}) {
        for (const int seed : {1, 2, 3}) {
            const std::vector<Row> a = rows_of(test::read_text(logged_run(ini_a, scenario, seed)));
            const std::vector<Row> b = rows_of(test::read_text(logged_run(ini_b, scenario, seed)));
            const std::vector<Row> r = rows_of(replay(logged_run(ini_a, scenario, seed), ini_b).first);
            std::size_t last = 0;
            while (last + 1 < std::min(a.size(), b.size()) && a[last][outcome] == b[last][outcome]) ++last;
            if (a[last][outcome] == b[last][outcome]) {
                EXPECT_EQ(r.size(), b.size());
            }
            ASSERT_GT(r.size(), last) << scenario << " " << seed;
            for (std::size_t i = 0; i <= last; ++i) {
                for (std::size_t c = 1; c < b[i].size(); ++c) {
                    if (c == wear && i == last && a[i][outcome] != "crack") continue;
                    EXPECT_EQ(r[i][c], b[i][c]) << scenario << " seed " << seed << " row " << i + 2 << " column " << c;
                }
            }
            compared += last + 1;
        }
    }
    EXPECT_GT(compared, 400u);
}

TEST_F(LogReplayTest, EachShooterKindsScanDecidesWhetherItsShotsAreEvaluated) {
    const std::string log = logged_run(ini_a, "worn-out-posse", 1);
    const std::vector<Row> logged = rows_of(test::read_text(log));
    const std::size_t kind = column("kind");
    std::vector<Row> player_rows;
    std::size_t npc_rows = 0;
    for (const Row& row : logged) {
        if (row[kind] == "Player") player_rows.push_back(row);
        npc_rows += row[kind] == "NPC" ? 1 : 0;
    }
    ASSERT_GT(player_rows.size(), 10u);
    ASSERT_GT(npc_rows, 100u);

    const auto [players, no_npc] = replay(log, ini_a + "[NPC]\nenable_explosion=0\n");
    EXPECT_EQ(rows_of(players), player_rows);
    EXPECT_EQ(no_npc["sessions"][0]["with_ini"]["not_evaluated"], npc_rows);

    // A cool barrel: fewer guns explode, some that did not now do.
    const auto [npcs, no_player] = replay(log, ini_a + "[Player]\nenable_explosion=0\n");
    const std::vector<Row> replayed = rows_of(npcs);
    EXPECT_EQ(replayed.size() + no_player["sessions"][0]["with_ini"]["not_fired"].get<std::size_t>(), npc_rows);
    for (const Row& row : replayed) {
        EXPECT_EQ(row[kind], "NPC");
        EXPECT_EQ(row[column("heat")], "0");
        EXPECT_EQ(row[column("cold")], "0");
    }
    EXPECT_EQ(no_player["sessions"][0]["with_ini"]["not_evaluated"], player_rows.size());
}

// A weapon that did not open with what its shot before wrote on it, nor with
// that washed, was changed by the game (cleaned, say): that shot opens as
// logged, and the next opens with what the replay made of it.
TEST_F(LogReplayTest, AWeaponTheGameChangedBetweenTwoShotsOpensAsLogged) {
    const std::string s = "2026-12-08T17:51:28Z,";
    const std::string rest = ",0.3,0.3,0,0,0,0,0.002,0,0.99,0.5,none,0.01,,,";
    // Under A's revolver modifier 0.97; the game cleaned the gun before pass 3.
    const std::string log = std::string(shot_log_header) + "\n" + s + "1,300,NPC,revolver,0x00000001,20,0.5" + rest +
                            "0.4947,\n" + s + "2,300,NPC,revolver,0x00000001,20,0.4947" + rest + "0.489559,\n" + s +
                            "3,300,NPC,revolver,0x00000001,20,0.05" + rest + "0.0582,\n" + s +
                            "4,300,NPC,revolver,0x00000001,20,0.0582" + rest + "0.066154,\n";
    const std::vector<Row> rows = rows_of(replay(write("cleaned.csv", log), ini_b).first);
    ASSERT_EQ(rows.size(), 4u);
    const std::size_t dirt = column("dirt");
    const std::size_t written = column("dirt_written");
    // Under B's 1.02 the second shot opens with what B's first left, the
    // cleaned one as logged, the last with what B made of the cleaned one.
    EXPECT_EQ(rows[0][written], "0.520199955");
    EXPECT_EQ(rows[1][dirt], rows[0][written]);
    EXPECT_EQ(rows[2][dirt], "0.0500000007");
    EXPECT_EQ(rows[3][dirt], rows[2][written]);
    EXPECT_EQ(rows[3][dirt], "0.0612000003");
}

// A gun the INI makes explode is gone: its later shots are dropped. A gun the
// log shows exploding was replaced: the shooter's later shots are another gun's.
TEST_F(LogReplayTest, AGunThatExplodesFiresNoMore) {
    const std::string s = "2026-12-08T17:51:28Z,";
    const std::string rest = ",0,0,0,0,0.002,0,0.99,0.3,";
    const std::string log = std::string(shot_log_header) + "\n" +
                            s + "1,300,NPC,revolver,0x00000001,20,0.9,0.95,0.95" + rest + "none,0.01,,,0.91,\n" +
                            s + "2,300,NPC,revolver,0x00000001,20,0.91,0.95,0.95" + rest + "none,0.01,,,0.92,\n" +
                            s + "3,301,NPC,pistol,0x00000002,20,0.9,0.95,0.95" + rest + "explosion,0.01,,,1,1\n" +
                            s + "4,300,NPC,revolver,0x00000001,20,0.92,0.95,0.95" + rest + "none,0.01,,,0.93,\n" +
                            s + "5,301,NPC,pistol,0x00000002,20,0.1,0.2,0.2" + rest + "none,0.01,,,0.11,\n";
    const auto [replayed, json] = replay(write("log.csv", log), "[Main]\nmaximum_chance_for_explosion=1\n"
                                                                "[Expo_Chance]\nrevolver_expo_chance_mod=1\n");
    const std::vector<Row> rows = rows_of(replayed);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][column("outcome")], "explosion");
    // The pistol the log shows exploding: its shooter's next shot opens with the new gun's figures.
    EXPECT_EQ(rows[1][column("pass")], "3");
    EXPECT_EQ(rows[2][column("pass")], "5");
    EXPECT_EQ(rows[2][column("dirt")], "0.100000001");
    const nlohmann::json& under = json["sessions"][0]["with_ini"];
    EXPECT_EQ(under["not_fired"], 2);
    EXPECT_EQ(under["classes"][0]["class"], "pistol");
    EXPECT_EQ(under["classes"][1]["not_fired"], 2);
}

// Firing dirt the game's INI did not make is drawn from the row: in its
// range, counted, the same every time.
TEST_F(LogReplayTest, ADrawTheLogLacksIsDrawnFromTheRowTheSameEveryTime) {
    const std::string clean = ini_a + "[NPC]\nfiring_increases_dirt=0\n";
    const std::string log = logged_run(clean, "worn-out-posse", 1);
    const std::vector<Row> logged = rows_of(test::read_text(log));
    const auto [first, json] = replay(log, ini_a);
    const auto [second, again] = replay(log, ini_a);
    EXPECT_EQ(first, second);
    std::size_t npc = 0;
    for (const Row& row : rows_of(first)) {
        const float dirt = std::stof(row[column("firing_dirt")]);
        EXPECT_TRUE(dirt >= 0.002f && dirt < 0.02f) << dirt;
        npc += row[column("kind")] == "NPC" ? 1 : 0;
    }
    EXPECT_GT(npc, 100u);
    EXPECT_GE(json["sessions"][0]["with_ini"]["drawn"].get<std::size_t>(), npc);
    EXPECT_EQ(json["replay"]["held"].get<std::string>().find("Held as the game did it"), 0u);
}

TEST_F(LogReplayTest, BadValuesInTheReplaysColumnsAreFindingsWithLineAndColumn) {
    const std::string s = "2026-12-08T17:51:28Z,1,300,NPC,revolver,0x00000001,20,0.9,0.95,0.95,0,0,0,0,0.002,0,0.99,0.3,";
    const std::string file = write("log.csv", std::string(shot_log_header) + "\n" + s + "crack,0.01,0.1,,0.5,0.6\n" +
                                                  s + "none,dirty,,,,\n" + s + "crack,,x,,,\n" + s + "none,,,12345678,,\n" +
                                                  s + "none,0.01,,,wet,\n" + s + "crack,,0.1,,0.5,worn\n" +
                                                  s + "none,,,0x00001234,,\n");
    const Cli r = cli({"log", file, "--format", "json"});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json findings = nlohmann::json::parse(r.out)["findings"];
    ASSERT_EQ(findings.size(), 5u);
    const std::vector<std::pair<int, std::string>> expected = {{3, "firing_dirt"},
                                                               {4, "crack_wear"},
                                                               {5, "base_degradation_key"},
                                                               {6, "dirt_written"},
                                                               {7, "degradation_written"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(findings[i]["line"], expected[i].first);
        EXPECT_EQ(findings[i]["key"], expected[i].second);
        EXPECT_EQ(findings[i]["severity"], "error");
    }
    EXPECT_THAT(findings[2]["message"].get<std::string>(), HasSubstr("is neither empty nor a hash"));
    EXPECT_THAT(findings[3]["message"].get<std::string>(), HasSubstr("dirt_written: 'wet' is neither empty nor a number"));
}

// Logs of the versions before the last two columns still read: one
// without the replay's columns and one without what each shot wrote. Their
// shots keep their dirt and wear as logged, and the replay says so.
TEST_F(LogReplayTest, ALogThatDoesNotSayWhatEachShotWroteKeepsItsDirtAndWear) {
    const std::string log = test::read_text(logged_run(ini_a, "warm-day-gunfight", 1));
    const std::string header = shot_log_header;
    for (const char* last : {",firing_dirt", ",dirt_written"}) {
        SCOPED_TRACE(last);
        const std::size_t columns = column(last + 1);
        std::string earlier = header.substr(0, header.find(last)) + "\n";
        for (const Row& row : rows_of(log)) {
            for (std::size_t c = 0; c < columns; ++c) earlier += row[c] + (c + 1 < columns ? "," : "\n");
        }
        const auto [replayed, json] = replay(write("earlier.csv", earlier), ini_b);
        const std::vector<Row> rows = rows_of(replayed);
        ASSERT_EQ(rows.size(), rows_of(log).size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i][column("dirt")], rows_of(log)[i][column("dirt")]);
            EXPECT_EQ(rows[i][column("effective_degradation")], rows_of(log)[i][column("effective_degradation")]);
            EXPECT_EQ(rows[i][column("firing_dirt")], "");
            EXPECT_EQ(rows[i][column("dirt_written")], "");
        }
        EXPECT_EQ(json["sessions"][0]["with_ini"]["dirt_and_wear_as_logged"], rows.size());
        const Cli text = cli({"log", write("e.csv", earlier), "--ini", write("b.ini", ini_b)});
        EXPECT_THAT(text.out, HasSubstr("shot(s) with dirt and wear as logged (a log that does not say what each shot "
                                        "wrote)"));
    }
}

// A change in the menu begins a new session of the log: each session was
// played under one tuning, and replayed under that tuning it comes back row
// for row, the session before the change under the file's INI, the one after
// under the file with the change.
TEST_F(LogReplayTest, EachSessionOfAGameTunedInTheMenuComesBackUnderItsOwnIni) {
    std::string scenario = test::read_text(std::string(BB_SOURCE_DIR) + "/tools/sim/scenarios/worn-out-posse.toml");
    scenario.replace(scenario.find("frames = 3600"), 13, "frames = 1500");
    // F7 at frame 600, Enter into [Main], Right three times on its cap, F7.
    int frame = 600;
    for (const char* key : {"F7", "RETURN", "RIGHT", "RIGHT", "RIGHT", "F7"}) {
        scenario += "\n[[press]]\nframe = " + std::to_string(frame) + "\nkey = \"" + key + "\"\n";
        frame += 4;
    }
    const std::string file_ini = ini_a + "[Main]\nmaximum_chance_for_explosion=0.3\n";
    const std::filesystem::path dir = scratch_.path() / "tuned";
    const Cli r = cli({"run", "--ini", write("game.ini", file_ini), "--scenario", write("tuned.toml", scenario),
                       "--seed", "3", "--csv", dir.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = test::read_text((dir / shot_log_file_name).string());

    std::vector<std::string> sessions;
    std::map<std::string, std::vector<Row>> logged;
    for (const Row& row : rows_of(log)) {
        if (logged.find(row[0]) == logged.end()) sessions.push_back(row[0]);
        logged[row[0]].push_back(row);
    }
    // The game's start, and a session per step of the cap (those four frames
    // apart hold no shot, and so no row).
    ASSERT_GE(sessions.size(), 2u) << log.substr(0, 400);
    const std::string last_ini = file_ini + "maximum_chance_for_explosion=0.33\n";
    for (const auto& [session, ini] : {std::pair{sessions.front(), file_ini}, std::pair{sessions.back(), last_ini}}) {
        ASSERT_GT(logged[session].size(), 50u) << session;
        std::vector<Row> replayed;
        for (const Row& row : rows_of(replay((dir / shot_log_file_name).string(), ini).first)) {
            if (row[0] == session) replayed.push_back(row);
        }
        EXPECT_EQ(replayed, logged[session]) << session;
    }
}

}  // namespace
