// The menu's "Your shots" against the tools: a run with the log on and the
// menu edited and saved by presses, its texts.csv read for the figures the
// foot showed, and `log --ini` of the play log's rows in the ring's window
// under the saved INI. The ring holds the last 2,048 shots; the run fires
// more before the menu opens, so that the window is not the whole log.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "model/outcome_probability.h"
#include "model/shot_log.h"
#include "model/shot_record.h"
#include "support/cli_support.h"

namespace {

using Row = std::vector<std::string>;

// Revolvers and rifles fire until frame 900, about 2,600 shots; the menu
// opens at 960: [Expo_Chance], revolver_expo_chance_mod five steps up,
// back, Save; then [Expo_Chance] again with rifle_expo_chance_mod selected.
std::string scenario_with_presses(int& edited_frame, int& saved_frame) {
    std::string scenario = R"(name = "menu shots"
description = "Revolvers and rifles firing, then the menu."
frames = 1400
seed = 5

[world]
fall_recovery = 30

[player]
weapon = { kind = "revolver", dirt = 0.5, degradation = 0.7 }
firing = { start = 1, interval = 12, stop = 900 }
rearm_after = 30

[[npc]]
name = "gunman"
count = 24
stagger = 3
weapon = { kind = "revolver", dirt = 0.5, degradation = 0.5 }
firing = { start = 1, interval = 10, stop = 900 }
rearm_after = 30

[[npc]]
name = "hunter"
count = 8
weapon = { kind = "rifle", dirt = 0.5, degradation = 0.5 }
firing = { start = 5, interval = 15, stop = 900 }
rearm_after = 30
)";
    int frame = 960;
    const auto press = [&](const char* key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            scenario += "\n[[press]]\nframe = " + std::to_string(frame) + "\nkey = \"" + key + "\"\n";
            frame += 6;
        }
    };
    press("F7");
    press("DOWN", 10);
    press("RETURN");
    press("DOWN");
    press("RIGHT", 5);
    edited_frame = frame;
    press("BACK");
    press("DOWN", 3);
    press("RETURN");
    saved_frame = frame;
    press("UP", 3);
    press("RETURN");
    press("DOWN", 2);
    return scenario;
}

std::vector<Row> csv_rows(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        Row row;
        std::istringstream fields(line + ",");
        for (std::string field; std::getline(fields, field, ',');) row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

std::size_t column(const char* name) {
    const std::string header = std::string(shot_log_header) + ",";
    const std::size_t at = header.find(std::string(name) + ",");
    std::size_t n = 0;
    for (std::size_t i = 0; i < at; ++i) n += header[i] == ',' ? 1 : 0;
    return n;
}

// What the foot said of a class in a frame.
struct Foot {
    std::string name;
    int shots = 0, player = 0, npc = 0, cracks = 0, explosions = 0, edited_cracks = 0, edited_explosions = 0;
    double expected_cracks = 0.0, expected_explosions = 0.0;
};

Foot foot_at(const std::string& texts, int frame) {
    const std::regex played(R"re(^(\d+),[^"]*"([A-Za-z ]+), your last (\d+) shots \(you (\d+), NPCs (\d+)\): )re"
                            R"re(played (\d+) cracks?, (\d+) explosions?;"$)re");
    const std::regex edited(R"re(^(\d+),[^"]*"as edited (\d+) cracks?, (\d+) explosions? \(([\d.]+) and ([\d.]+) )re"
                            R"re(expected\)"$)re");
    Foot foot;
    std::istringstream in(texts);
    int seen = 0;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, played) && std::stoi(m[1]) == frame) {
            foot.name = m[2];
            foot.shots = std::stoi(m[3]);
            foot.player = std::stoi(m[4]);
            foot.npc = std::stoi(m[5]);
            foot.cracks = std::stoi(m[6]);
            foot.explosions = std::stoi(m[7]);
            ++seen;
        } else if (std::regex_match(line, m, edited) && std::stoi(m[1]) == frame) {
            foot.edited_cracks = std::stoi(m[2]);
            foot.edited_explosions = std::stoi(m[3]);
            foot.expected_cracks = std::stod(m[4]);
            foot.expected_explosions = std::stod(m[5]);
            ++seen;
        }
    }
    EXPECT_EQ(seen, 2) << "frame " << frame;
    return foot;
}

class MenuShotsTest : public test::ToolTest {};

TEST_F(MenuShotsTest, AsEditedIsTheLogReplayOfTheRingsWindowUnderTheSavedIni) {
    int edited_frame = 0;
    int saved_frame = 0;
    const std::string scenario = scenario_with_presses(edited_frame, saved_frame);
    const std::filesystem::path dir = scratch_.path() / "records";
    const Cli run = cli({"run", "--scenario", write("menu.toml", scenario), "--ini",
                         write("Barrelburst.ini", "[Main]\nshot_log=1\n"), "--csv", dir.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string texts = test::read_text(dir / "texts.csv");
    ASSERT_EQ(texts.rfind("frame,x,y,scale,centred,text\n", 0), 0u);
    const std::filesystem::path saved = dir / "Barrelburst.ini";
    ASSERT_TRUE(std::filesystem::exists(saved));

    // Every row is in the log before the menu opens; the ring holds the last ones.
    const std::string log = test::read_text(dir / shot_log_file_name);
    const std::vector<Row> rows = csv_rows(log);
    ASSERT_GT(rows.size(), static_cast<std::size_t>(shot_record_capacity) + 200);
    const std::string header = log.substr(0, log.find('\n') + 1);
    std::string window_text = header;
    std::vector<Row> window;
    for (std::size_t i = rows.size() - shot_record_capacity; i < rows.size(); ++i) {
        window.push_back(rows[i]);
        std::string line;
        for (const std::string& field : rows[i]) line += (line.empty() ? "" : ",") + field;
        window_text += line + "\n";
    }
    const std::string window_file = write("window.csv", window_text);
    const std::filesystem::path replayed_file = scratch_.path() / "replayed.csv";
    const Cli replay = cli({"log", window_file, "--ini", saved.string(), "--format", "json", "--replay",
                            replayed_file.string()});
    ASSERT_LE(replay.status, 1) << replay.err;
    const nlohmann::json report = nlohmann::json::parse(replay.out);
    const std::vector<Row> replayed = csv_rows(test::read_text(replayed_file));

    for (const auto& [frame, weapon_class, name] :
         {std::tuple{edited_frame + 1, "revolver", "Revolvers"}, std::tuple{saved_frame + 1, "revolver", "Revolvers"},
          std::tuple{1399, "rifle", "Rifles"}}) {
        SCOPED_TRACE(std::string(weapon_class) + " at frame " + std::to_string(frame));
        const Foot foot = foot_at(texts, frame);
        EXPECT_EQ(foot.name, name);

        Foot expected;
        for (const Row& row : window) {
            if (row[column("class")] != weapon_class) continue;
            ++expected.shots;
            ++(row[column("kind")] == "NPC" ? expected.npc : expected.player);
            expected.cracks += row[column("outcome")] == "crack" ? 1 : 0;
            expected.explosions += row[column("outcome")] == "explosion" ? 1 : 0;
        }
        for (const auto& session : report["sessions"]) {
            for (const auto& c : session["with_ini"]["classes"]) {
                if (c["class"] != weapon_class) continue;
                expected.edited_cracks += c["cracks"].get<int>();
                expected.edited_explosions += c["explosions"].get<int>();
            }
        }
        for (const Row& row : replayed) {
            if (row[column("class")] != weapon_class) continue;
            const auto number = [&row](const char* key) { return std::strtof(row[column(key)].c_str(), nullptr); };
            const ShotChances chances{0.0f, 0.0f, number("crack_chance"), number("explosion_chance"),
                                      number("crack_degradation_limit")};
            const OutcomeProbabilities p = outcome_probabilities(chances, number("effective_degradation"));
            expected.expected_cracks += p.crack;
            expected.expected_explosions += p.explosion;
        }
        EXPECT_EQ(foot.shots, expected.shots);
        EXPECT_EQ(foot.player, expected.player);
        EXPECT_EQ(foot.npc, expected.npc);
        EXPECT_EQ(foot.cracks, expected.cracks);
        EXPECT_EQ(foot.explosions, expected.explosions);
        EXPECT_EQ(foot.edited_cracks, expected.edited_cracks);
        EXPECT_EQ(foot.edited_explosions, expected.edited_explosions);
        EXPECT_NEAR(foot.expected_cracks, expected.expected_cracks, 0.05 + 1e-9);
        EXPECT_NEAR(foot.expected_explosions, expected.expected_explosions, 0.05 + 1e-9);
    }
    // Opened, unedited: the replay gives the game's outcomes. The edit makes
    // revolvers likelier to explode.
    const Foot opened = foot_at(texts, 970);
    EXPECT_EQ(opened.name, "Revolvers");
    EXPECT_EQ(opened.edited_cracks, opened.cracks);
    EXPECT_EQ(opened.edited_explosions, opened.explosions);
    const Foot edited = foot_at(texts, saved_frame + 1);
    EXPECT_EQ(edited.shots, opened.shots);
    EXPECT_GT(edited.expected_explosions, opened.expected_explosions + 0.3);
}

}  // namespace
