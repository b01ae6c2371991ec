// barrelburst-sim log: the plugin's shot log and run's shots.csv read alike,
// cut and malformed rows, the exit status, the JSON, the shots under an INI.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <regex>
#include <string>

#include "log/log_replay.h"
#include "log/shot_log_reader.h"
#include "model/shot_log.h"
#include "support/cli_support.h"
#include "support/shot_log_sample.h"

namespace {

using ::testing::HasSubstr;

const std::string header = std::string(shot_log_header) + "\n";

// session, pass, ped, kind, class, hash, then dirt, degradation, heat, crack, explosion, roll, outcome.
std::string row(const std::string& session, int pass, int ped, const char* kind, const char* weapon_class,
                const char* dirt, const char* degradation, const char* heat, const char* crack,
                const char* explosion, const char* roll, const char* outcome) {
    return session + "," + std::to_string(pass) + "," + std::to_string(ped) + "," + kind + "," + weapon_class +
           ",0x00001004,21.5," + dirt + "," + degradation + "," + degradation + ",0," + heat + ",0,0," + crack + "," +
           explosion + ",0.99000001," + roll + "," + outcome + ",,,,,\n";
}

const std::string a = "2026-12-08T17:51:28Z";
const std::string b = "2026-12-09T10:00:00Z";

class LogTest : public test::ToolTest {};

TEST_F(LogTest, SessionsFailuresExpectedFromTheChancesWeaponsAndTheBarrel) {
    const std::string log =
        header + row(a, 10, 1, "Player", "rifle", "0.2", "0.3", "0.5", "0.25", "0.5", "0.1", "crack") +
        row(a, 11, 1, "Player", "rifle", "0.2", "0.3", "0.75", "0.00200000009", "0", "0.9", "none") +
        // Above the crack limit: only the explosion can happen.
        row(b, 1, 300, "NPC", "pistol", "0.1", "0.2", "0", "0.00200000009", "0", "0.001", "crack") +
        row(a, 70, 200, "NPC", "shotgun", "0.8", "1", "0.5", "0.3", "0.6", "0.4", "explosion") +
        // A NaN chance counts as 0; an infinite one as 1.
        row(a, 130, 201, "NPC", "shotgun", "0.4", "0.5", "0.5", "nan", "inf", "0.5", "explosion");
    const sim::ShotLog read = sim::read_shot_log_text(log, "shots.csv");
    EXPECT_TRUE(read.findings.empty());
    ASSERT_EQ(read.sessions.size(), 2u);
    // A session seen again continues its rows.
    const sim::LogSession& s = read.sessions[0];
    EXPECT_EQ(s.session, a);
    EXPECT_EQ(s.shots, 4);
    EXPECT_EQ(s.cracks, 1);
    EXPECT_EQ(s.explosions, 2);
    EXPECT_NEAR(s.expected_cracks, 0.25 + 0.002, 1e-7);
    EXPECT_NEAR(s.expected_explosions, 0.25 + 0.6 + 1.0, 1e-7);
    EXPECT_EQ(s.first_pass, 10u);
    EXPECT_EQ(s.last_pass, 130u);
    EXPECT_DOUBLE_EQ(s.minutes(), 130.0 / 3600.0);
    // Two player shots within one second, the second in the next pass.
    const sim::LogGroupFigures& rifle = s.groups[sim::log_group_of(false, TunedClass::rifle)];
    EXPECT_EQ(rifle.shots, 2);
    EXPECT_EQ(rifle.firing_seconds, 1);
    EXPECT_EQ(rifle.next_pass_shots, 1);
    EXPECT_EQ(s.groups[sim::log_group_of(true, TunedClass::shotgun)].explosions, 2);
    ASSERT_TRUE(s.player_peak_heat);
    EXPECT_EQ(s.player_peak_heat->value, 0.75f);
    EXPECT_EQ(s.player_peak_heat->pass, 11u);
    EXPECT_EQ(s.npc_weapons.count, 2);
    EXPECT_NEAR(s.npc_weapons.dirt.min, 0.4, 1e-6);
    EXPECT_NEAR(s.npc_weapons.dirt.median, 0.6, 1e-6);
    EXPECT_NEAR(s.npc_weapons.dirt.q75, 0.7, 1e-6);
    EXPECT_EQ(s.npc_weapons.degradation.bins[9], 1);  // 1 is in the last bin of [0, 1]
    EXPECT_EQ(read.sessions[1].session, b);
    EXPECT_EQ(read.sessions[1].cracks, 1);
}

// A run with the play log on leaves two records of the same shots: run's
// shots.csv (frame for pass, quoted shooter names, no session) and the
// plugin's own log. Both read alike, as the run counted them, and the INI of
// the run recomputes every shot as the plugin decided it.
TEST_F(LogTest, ARunsTwoRecordsReadAlikeAndItsIniReproducesEveryShot) {
    const std::string scenario = write("fight.toml", R"(
frames = 1200
[player]
weapon = { kind = "rifle", dirt = 0.6, degradation = 0.8 }
firing = { start = 5, interval = 9 }
[[npc]]
name = "bandit, \"the\" worn"
count = 3
weapon = { kind = "shotgun", dirt = 0.9, degradation = 0.9 }
firing = { start = 3, interval = 7 }
rearm_after = 20
)");
    const std::string ini = write("run.ini", "[Main]\nshot_log=1\n[Expo_Chance]\nrifle_expo_chance_mod=0.7\n");
    const test::Cli run = cli({"run", "--ini", ini, "--scenario", scenario, "--seed", "4", "--csv", scratch_.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(failures: (\d+) crack\(s\) and (\d+) explosion\(s\) in (\d+) shots)")));
    const auto json_of = [](const test::Cli& r) { return nlohmann::json::parse(r.out)["sessions"]; };
    const nlohmann::json records = json_of(cli({"log", (scratch_.path() / "shots.csv").string(), "--format", "json"}));
    const nlohmann::json log = json_of(cli({"log", (scratch_.path() / shot_log_file_name).string(), "--ini", ini,
                                            "--format", "json"}));
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(records[0]["session"], nullptr);
    EXPECT_EQ(log[0]["session"].get<std::string>().size(), 20u);
    for (const nlohmann::json& s : {records[0], log[0]}) {
        EXPECT_EQ(s["shots"], std::stoi(m[3]));
        EXPECT_EQ(s["cracks"], std::stoi(m[1]));
        EXPECT_EQ(s["explosions"], std::stoi(m[2]));
        EXPECT_EQ(s["classes"], records[0]["classes"]);
        // The three bandits' shotguns, replaced when they explode.
        EXPECT_GE(s["npc_weapons"]["count"].get<int>(), 3);
    }
    EXPECT_GT(log[0]["explosions"].get<int>(), 0);
    EXPECT_EQ(log[0]["with_ini"]["cracks"], log[0]["cracks"]);
    EXPECT_EQ(log[0]["with_ini"]["explosions"], log[0]["explosions"]);
}

TEST_F(LogTest, CutRowsAreWarningsOtherBadRowsErrorsWithFileAndLine) {
    std::string bad_dirt = row(a, 13, 1, "Player", "rifle", "x", "0.3", "0", "0.1", "0", "0.5", "none");
    std::string short_row = row(a, 14, 1, "Player", "rifle", "0.2", "0.3", "0", "0.1", "0", "0.5", "none");
    short_row.erase(short_row.find(",21.5"), 5);
    const std::string log = header + row(a, 12, 1, "Player", "rifle", "0.2", "0.3", "0", "0.1", "0", "0.5", "none") +
                            bad_dirt + short_row +
                            // The game stopped mid-row; the next game's row starts on a line of its own.
                            a + ",15,1,Player,rif\n" + row(b, 1, 2, "NPC", "rifle", "0.2", "0.3", "0", "0.1", "0", "0.5", "none") +
                            "\n" + header + row(b, 2, 2, "Cop", "rifle", "0.2", "0.3", "0", "0.1", "0", "0.5", "none") +
                            b + ",3,2,NPC,rifle,0x00001004,21.5,0.2,0.3,0.3,0,0,0,0,0.1,0,0.99,0.5,none,0.01,,,0.21,0x";
    const std::string file = write("Barrelburst-shots.csv", log);
    const test::Cli r = cli({"log", file});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> expected = {
        ":3: error: dirt: 'x' is not a number: the row is skipped",
        ":4: error: the row has 23 fields, the header at line 1 has 24: the row is skipped",
        ":5: warning: a partial row, skipped: the game stopped while writing it (5 of 24 fields)",
        ":9: error: kind: 'Cop' is neither Player nor NPC: the row is skipped",
        ":10: warning: a partial row, skipped: the game stopped while writing it (24 of 24 fields)",
    };
    for (const std::string& e : expected) EXPECT_THAT(r.out, HasSubstr("  " + file + e + "\n")) << r.out;
    EXPECT_THAT(r.out, HasSubstr("Flagged (5: 3 error(s), 2 warning(s)):"));
    EXPECT_THAT(r.out, HasSubstr("2 session(s), 2 shot(s), 5 row(s) skipped"));
}

TEST_F(LogTest, ExitStatusNoShotsUnreadableFilesAndAMissingHeader) {
    for (const std::string& content : {std::string(), header, "\n\n" + header + "\n"}) {
        const test::Cli r = cli({"log", write("empty.csv", content)});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_THAT(r.out, HasSubstr("  no shots\n"));
        EXPECT_THAT(r.out, HasSubstr("Nothing flagged."));
    }
    const std::string missing = (scratch_.path() / "absent.csv").string();
    const test::Cli gone = cli({"log", missing});
    EXPECT_EQ(gone.status, 2);
    EXPECT_EQ(gone.err, "barrelburst-sim log: cannot read shot log '" + missing + "': No such file or directory\n");
    const std::string log = write("log.csv", header + row(a, 1, 1, "Player", "rifle", "0", "0", "0", "0.1", "0", "0.5", "none"));
    const test::Cli no_ini = cli({"log", log, "--ini", (scratch_.path() / "none.ini").string()});
    EXPECT_EQ(no_ini.status, 2);
    EXPECT_THAT(no_ini.err, HasSubstr("cannot read INI file '" + (scratch_.path() / "none.ini").string() + "'"));

    const test::Cli headless = cli({"log", write("headless.csv", row(a, 1, 1, "Player", "rifle", "0", "0", "0", "0.1", "0", "0.5", "none") + header)});
    EXPECT_EQ(headless.status, 1);
    EXPECT_THAT(headless.out, HasSubstr("headless.csv:1: error: the first line is not a header"));
    const test::Cli lacking = cli({"log", write("lacking.csv", "session,pass,kind,outcome\n")});
    EXPECT_EQ(lacking.status, 1);
    EXPECT_THAT(lacking.out, HasSubstr("lacking.csv:1: error: the header lacks the column(s) class, dirt, "));
}

// With a cap of 0 both terms are 0: no explosion, and the cracks come at the
// floor chance 0.002; the page and the text say what the replay holds.
TEST_F(LogTest, UnderACapOfNothingNoShotExplodes) {
    test::SampleLog sample;
    sample.sessions = 3;
    sample.rows = 6000;
    sample.ini = "[Main]\nmaximum_chance_for_explosion=0.9\n[Expo_Chance]\nshotgun_expo_chance_mod=0.9\n";
    const std::string log = write("Barrelburst-shots.csv", test::sample_shot_log(sample));
    const std::string capped = write("capped.ini", "[Main]\nmaximum_chance_for_explosion=0\n");
    const nlohmann::json k = nlohmann::json::parse(cli({"log", log, "--ini", capped, "--format", "json"}).out);
    std::int64_t cracks = 0;
    for (const nlohmann::json& s : k["sessions"]) {
        EXPECT_GT(s["explosions"], 10);
        EXPECT_EQ(s["with_ini"]["explosions"], 0);
        EXPECT_EQ(s["with_ini"]["not_fired"], 0);
        EXPECT_EQ(s["with_ini"]["shots"], s["shots"]);
        cracks += s["with_ini"]["cracks"].get<std::int64_t>();
    }
    EXPECT_GT(cracks, 0);
    EXPECT_LT(cracks, 6000 * 0.002 * 3);

    const test::Cli text = cli({"log", log, "--ini", capped});
    EXPECT_THAT(text.out, HasSubstr("  Every shot goes through the plugin's own decisions under this INI"));
    EXPECT_THAT(text.out, HasSubstr("  Held as the game did it: who shot when"));
    EXPECT_THAT(text.out, HasSubstr("  The same shots under " + capped + ":\n"));
}

// A player's rifle and an NPC of each class, all firing as given.
std::string every_class_firing(const std::string& firing) {
    std::string scenario = "name = \"every class\"\nframes = 600\n[player]\nweapon = { kind = \"rifle\" }\nfiring = " +
                           firing + "\nrearm_after = 10\n";
    for (const char* kind : {"pistol", "revolver", "rifle", "sniper", "shotgun"}) {
        scenario += std::string("[[npc]]\nname = \"") + kind + "\"\nweapon = { kind = \"" + kind + "\" }\nfiring = " +
                    firing + "\nrearm_after = 10\n";
    }
    return scenario;
}

// A shooting flag that stays true for three passes evaluates each shot three
// times: bursts of three frames in a row, one a second.
TEST_F(LogTest, ShotsInTheNextPassOfTheSameShooterAreFlaggedPerClass) {
    test::SampleLog sample;
    sample.rows = 3000;
    sample.scenario = every_class_firing("{ start = 1, interval = 1, burst = 3, pause = 57 }");
    const sim::ShotLog repeated = sim::read_shot_log_text(test::sample_shot_log(sample), "log");
    std::size_t warnings = 0;
    for (const sim::Finding& f : repeated.findings) {
        EXPECT_EQ(f.line, 0);
        EXPECT_THAT(f.message, HasSubstr("were evaluated in the pass right after the same shooter's previous shot"));
        ++warnings;
    }
    // Two sessions, NPCs of five classes and the player's rifle.
    EXPECT_EQ(warnings, 12u);
    const sim::LogGroupFigures& npc_rifle = repeated.sessions[0].groups[sim::log_group_of(true, TunedClass::rifle)];
    EXPECT_NEAR(npc_rifle.next_pass_share(), 2.0 / 3.0, 0.02);
    EXPECT_GE(npc_rifle.shots_per_second_of_firing(), 2.9);

    sample.scenario = every_class_firing("{ start = 1, interval = 20 }");
    EXPECT_TRUE(sim::read_shot_log_text(test::sample_shot_log(sample), "log").findings.empty());
}

}  // namespace
