// What the tuner page is told of an INI: every key the plugin reads, the
// odds `odds` computes, the recoil the plugin's own kick gives, and the
// plugin's globals left as they were.

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/settings.h"
#include "config/settings_text.h"
#include "config/settings_table.h"
#include "engine/fight.h"
#include "engine/tuner_engine.h"
#include "model/shot_eval.h"
#include "odds/odds.h"
#include "host/plugin_state.h"

namespace {

using Json = nlohmann::json;

std::string shipped_ini() {
    std::ifstream in(std::string(BB_SOURCE_DIR) + "/release/Barrelburst.ini", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const Json& key_of(const Json& described, const std::string& id) {
    for (const Json& section : described["sections"]) {
        for (const Json& key : section["keys"]) {
            if (key["id"] == id) return key;
        }
    }
    static const Json none;
    return none;
}

TEST(TunerEngine, EveryKeyByThePluginsSectionsWithWhatTheFileSaysAndThePluginHolds) {
    const Json d = Json::parse(tuner::describe_ini(
        "[Recoil]\npistol_recoil=2.5 ,3\n[Main]\nmaximum_chance_for_explosion=0.5\n[Base_Degradation]\nREL_A=0.2,0.4\n",
        "mine.ini"));
    std::size_t keys = 0;
    std::vector<std::string> sections;
    for (const Json& s : d["sections"]) {
        sections.push_back(s["name"]);
        keys += s["keys"].size();
    }
    std::vector<std::string> names;
    for (const SettingSection& section : settings_sections) names.push_back(section.name);
    EXPECT_EQ(sections, names);
    EXPECT_EQ(keys, all_setting_names().size() + 1);  // and the one [Base_Degradation] entry

    const Json& cap = key_of(d, "Main/maximum_chance_for_explosion");
    EXPECT_EQ(cap["written"], "0.5");
    EXPECT_EQ(cap["source"], "file");
    EXPECT_EQ(cap["line"], 4);
    EXPECT_EQ(cap["range"]["high"], 1.0);
    // A list whose text does not read: the file's text, and the fallback the plugin holds.
    const Json& recoil = key_of(d, "Recoil/pistol_recoil");
    EXPECT_EQ(recoil["kind"], "pair");
    EXPECT_EQ(recoil["written"], "2.5 ,3");
    EXPECT_EQ(recoil["value"], "1, 2");
    EXPECT_EQ(recoil["source"], "fallback");
    EXPECT_TRUE(key_of(d, "Base_Degradation/REL_A")["listed"]);
    EXPECT_EQ(key_of(d, "NPC/enable_explosion")["written"], nullptr);
    EXPECT_FALSE(d["findings"].empty());

    // Nothing of the file stays with the plugin.
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.0f);
    EXPECT_TRUE(settings.base_degradation.empty());
}

// Each slider at the numbers the file shows: the default where it gives
// none, a list's fallback where its text does not read; plain decimals.
TEST(TunerEngine, SlidersEndAndStepAtTheFilesNumbers) {
    const Json d = Json::parse(tuner::describe_ini(
        "[Expo_Chance]\nrifle_expo_chance_mod=3\n[Recoil]\nrifle_recoil=1,12\npistol_recoil=2.5 ,30\n", "mine.ini"));
    const auto span = [](double low, double high, double step) {
        return Json{{"low", low}, {"high", high}, {"step", step}};
    };
    EXPECT_EQ(key_of(d, "Expo_Chance/rifle_expo_chance_mod")["slider"], span(0, 5, 0.001));
    EXPECT_EQ(key_of(d, "Expo_Chance/pistol_expo_chance_mod")["slider"], span(0, 2, 0.001));
    EXPECT_EQ(key_of(d, "Main/maximum_chance_for_explosion")["slider"], span(0, 1, 0.001));
    EXPECT_EQ(key_of(d, "Recoil/rifle_recoil")["slider"], Json::array({span(0, 5, 0.001), span(0, 20, 0.01)}));
    EXPECT_EQ(key_of(d, "Recoil/pistol_recoil")["slider"], Json::array({span(0, 5, 0.001), span(0, 5, 0.001)}));
    EXPECT_EQ(key_of(d, "Main/debug_mode")["slider"], nullptr);
    EXPECT_EQ(key_of(d, "Expo_Type/rifle_expo_type")["slider"], nullptr);
}

TEST(TunerEngine, TheOddsAreOddsOwnAtACoolAndAHotBarrel) {
    const std::string ini = "[Main]\nmaximum_chance_for_explosion=0.6\n[Expo_Chance]\nrifle_expo_chance_mod=0.8\n";
    const Json d = Json::parse(tuner::describe_ini(ini, "hot.ini"));
    for (const auto& [barrel, heat] : {std::pair{"cool", 0.0f}, std::pair{"hot", 1.0f}}) {
        reset_plugin_state();
        load_settings_from_text(ini);
        sim::OddsOptions options;
        options.heat = heat;
        const std::vector<sim::ClassOdds> odds = sim::odds_of_loaded_settings(options);
        const Json& figures = d["odds"][barrel];
        EXPECT_EQ(figures["heat"], heat);
        ASSERT_EQ(figures["classes"].size(), odds.size());
        for (std::size_t c = 0; c < odds.size(); ++c) {
            const Json& cls = figures["classes"][c];
            EXPECT_EQ(cls["class"], odds[c].weapon_class);
            ASSERT_EQ(cls["crack"].size(), odds[c].cells.size());
            for (std::size_t i = 0; i < odds[c].cells.size(); ++i) {
                const sim::OddsCell& cell = odds[c].cells[i];
                EXPECT_EQ(cls["crack"][i].get<double>(), cell.crack_probability);
                EXPECT_EQ(cls["explosion"][i].get<double>(), cell.explosion_probability);
                const double p = cell.failure_probability();
                EXPECT_EQ(cls["shots"][i].get<double>(), p > 0.0 ? 1.0 / p : 0.0);
            }
        }
    }
    reset_plugin_state();
    // Hot rifles explode where cool ones do not.
    const auto& hot_rifle = d["odds"]["hot"]["classes"][2]["explosion"];
    const auto& cool_rifle = d["odds"]["cool"]["classes"][2]["explosion"];
    EXPECT_GT(hot_rifle[120].get<double>(), cool_rifle[120].get<double>());
}

// The kick of one shot as the plugin's recoil gives it: the middle of the
// class's range, scaled by its modifiers, then moved frame by frame.
TEST(TunerEngine, RecoilCurvesComeFromThePluginsKick) {
    const Json d = Json::parse(tuner::describe_ini(
        "[Recoil]\nrifle_recoil=0.5,0.7\n[RecoilModifiers]\nrifle_recoil_modifiers=1,2,1,3,1,1,1\n", "r.ini"));
    const Json& recoil = d["recoil"];
    ASSERT_EQ(recoil["curves"].size(), 5u * 2u * 2u);
    for (const Json& c : recoil["curves"]) {
        ASSERT_EQ(c["pitch"].size(), 61u);
        EXPECT_EQ(c["pitch"][0], 0.0);
        if (c["class"] != "rifle") continue;
        // Heat 1 doubles the kick and dirt 1 triples it; the shot's recoil is 0.6.
        EXPECT_FLOAT_EQ(c["kick"].get<float>(), c["condition"] == "worn" ? 0.6f * 2.0f * 3.0f : 0.6f);
        // The first frame: at most 1 degree, plus 0.02 without free aiming or times 0.8 with it.
        const float first = c["free_aiming"] ? c["kick"].get<float>() * 0.8f : c["kick"].get<float>() + 0.02f;
        EXPECT_FLOAT_EQ(c["pitch"][1].get<float>(), std::min(first, 1.0f));
    }
    // The revolver's kick without free aiming is dropped before it moves the camera.
    for (const Json& c : recoil["curves"]) {
        if (c["class"] == "revolver" && !c["free_aiming"]) {
            EXPECT_EQ(c["pitch"][60], 0.0);
        }
    }
    // Recoil off: no kick at all.
    const Json off = Json::parse(tuner::describe_ini("[Recoil]\nenable_recoil=0\n", "off.ini"));
    for (const Json& c : off["recoil"]["curves"]) EXPECT_EQ(c["pitch"][60], 0.0);
}

// describe_ini's document of the text before, with an edit's document put
// in as the page puts it: its keys in place of theirs, its classes' odds in
// place of theirs, its recoil unless it is null.
Json with_edit(Json doc, const Json& edit) {
    std::size_t given = 0;
    for (const Json& section : edit["sections"]) {
        for (const Json& k : section["keys"]) {
            ++given;
            bool placed = false;
            for (Json& s : doc["sections"]) {
                for (Json& mine : s["keys"]) {
                    if (mine["id"] != k["id"]) continue;
                    const Json meaning = mine["meaning"];
                    mine = k;
                    mine["meaning"] = meaning;
                    placed = true;
                }
            }
            EXPECT_TRUE(placed) << k["id"];
        }
    }
    doc["findings"] = edit["findings"];
    for (const char* barrel : {"cool", "hot"}) {
        for (const Json& c : edit["odds"][barrel]["classes"]) {
            for (Json& mine : doc["odds"][barrel]["classes"]) {
                if (mine["class"] == c["class"]) mine = c;
            }
        }
    }
    if (!edit["recoil"].is_null()) doc["recoil"] = edit["recoil"];
    doc["given"] = given;
    return doc;
}

std::size_t keys_given(const Json& edit) {
    std::size_t n = 0;
    for (const Json& section : edit["sections"]) n += section["keys"].size();
    return n;
}

// Edits as a dragged slider makes them (each text before is the one after
// the last), and as they come after another text: the document before with
// the edit's put in is describe_ini's of the text after, and the edit gives
// only what it changed.
TEST(TunerEngine, AnEditGivesWhatItChangedAndNothingElse) {
    struct Edit {
        const char* section;
        const char* key;
        const char* value;
        std::size_t classes;  // whose odds it gives
        bool recoil;          // whether its recoil is given
    };
    const Edit drag[] = {
        {"Expo_Chance", "rifle_expo_chance_mod", "0.9", 1, false},
        {"Expo_Chance", "rifle_expo_chance_mod", "0.5", 1, false},
        {"Main", "maximum_chance_for_explosion", "0.5", 5, false},
        {"Recoil", "sniper_recoil", "2,3", 1, true},
        // A key the file lacks: its line goes in, every later line moves down.
        {"Heat", "no_such_key_here", "1", 5, false},
        {"Min_Dirt_To_Explode", "shotgun_min_dirt", "0.2", 1, false},
    };
    const std::string shipped = shipped_ini();
    std::string text = shipped;
    Json doc = Json::parse(tuner::describe_ini(text, "Barrelburst.ini"));
    for (const Edit& e : drag) {
        const std::string after = tuner::edit_ini(text, e.section, e.key, e.value);
        const Json edit = Json::parse(tuner::describe_edit(text, after, "Barrelburst.ini", e.section, e.key));
        EXPECT_EQ(edit["odds"]["cool"]["classes"].size(), e.classes) << e.key;
        EXPECT_EQ(edit["odds"]["hot"]["classes"].size(), e.classes) << e.key;
        EXPECT_EQ(edit["recoil"].is_null(), !e.recoil) << e.key;
        Json merged = with_edit(doc, edit);
        merged.erase("given");
        const Json whole = Json::parse(tuner::describe_ini(after, "Barrelburst.ini"));
        EXPECT_EQ(merged, whole) << e.key;
        text = after;
        doc = whole;
    }
    // The rifle's factor changes its own key only.
    const std::string one = tuner::edit_ini(shipped, "Expo_Chance", "rifle_expo_chance_mod", "0.8");
    const Json edit = Json::parse(tuner::describe_edit(shipped, one, "Barrelburst.ini", "Expo_Chance",
                                                       "rifle_expo_chance_mod"));
    ASSERT_EQ(keys_given(edit), 1u);
    EXPECT_EQ(edit["sections"][10]["keys"][0]["id"], "Expo_Chance/rifle_expo_chance_mod");
    EXPECT_EQ(edit["sections"][10]["keys"][0]["written"], "0.8");
    EXPECT_FALSE(edit["sections"][10]["keys"][0].contains("meaning"));
    // The same edit after another text than the last one: against that text.
    const std::string other = tuner::edit_ini(shipped, "Main", "maximum_chance_for_explosion", "0.2");
    const std::string both = tuner::edit_ini(other, "Expo_Chance", "rifle_expo_chance_mod", "0.8");
    const Json again = Json::parse(tuner::describe_edit(other, both, "Barrelburst.ini", "Expo_Chance",
                                                        "rifle_expo_chance_mod"));
    Json merged = with_edit(Json::parse(tuner::describe_ini(other, "Barrelburst.ini")), again);
    merged.erase("given");
    EXPECT_EQ(merged, Json::parse(tuner::describe_ini(both, "Barrelburst.ini")));
    // The odds as numbers beside the document, as the page reads them: the same figures.
    std::vector<double> numbers;
    const Json beside = Json::parse(tuner::describe_edit(other, both, "Barrelburst.ini", "Main",
                                                         "maximum_chance_for_explosion", &numbers));
    const Json in_text = Json::parse(tuner::describe_edit(other, both, "Barrelburst.ini", "Main",
                                                          "maximum_chance_for_explosion"));
    std::vector<double> expected;
    for (const char* barrel : {"cool", "hot"}) {
        ASSERT_EQ(beside["odds"][barrel]["classes"].size(), 5u);
        for (std::size_t c = 0; c < 5; ++c) {
            const Json& figures = in_text["odds"][barrel]["classes"][c];
            EXPECT_EQ(beside["odds"][barrel]["classes"][c]["at"], expected.size());
            EXPECT_FALSE(beside["odds"][barrel]["classes"][c].contains("crack"));
            for (const char* map : {"crack", "explosion", "shots"}) {
                for (const Json& x : figures[map]) expected.push_back(x.get<double>());
            }
        }
    }
    EXPECT_EQ(numbers, expected);
    // Nothing of either text stays with the plugin.
    EXPECT_EQ(settings.maximum_chance_for_explosion, 0.0f);
}

TEST(TunerEngine, ALogsShotsUnderTheIniTheGameUsedAreTheLoggedOnes) {
    std::ifstream in(std::string(BB_SOURCE_DIR) + "/tests/data/Barrelburst-shots.csv", std::ios::binary);
    std::ostringstream log;
    log << in.rdbuf();
    EXPECT_EQ(tuner::log_under_ini(shipped_ini(), "Barrelburst.ini"), "null");
    const Json opened = Json::parse(tuner::open_log(log.str(), "Barrelburst-shots.csv"));
    ASSERT_FALSE(opened["sessions"].empty());
    EXPECT_FALSE(opened["sessions"][0].contains("with_ini"));

    std::ifstream ini_in(std::string(BB_SOURCE_DIR) + "/tests/data/shot-log.ini", std::ios::binary);
    std::ostringstream ini;
    ini << ini_in.rdbuf();
    const Json under = Json::parse(tuner::log_under_ini(ini.str(), "shot-log.ini"));
    ASSERT_EQ(under["sessions"].size(), opened["sessions"].size());
    for (std::size_t i = 0; i < under["sessions"].size(); ++i) {
        const Json& replayed = under["sessions"][i]["with_ini"];
        EXPECT_EQ(replayed["shots"], opened["sessions"][i]["shots"]);
        EXPECT_EQ(replayed["cracks"], opened["sessions"][i]["cracks"]);
        EXPECT_EQ(replayed["explosions"], opened["sessions"][i]["explosions"]);
    }
    EXPECT_EQ(under["replay"]["decided"].get<std::string>().find("Every shot goes through"), 0u);
}

}  // namespace

namespace {

// The page's fight is barrelburst-sim run's: every shot of shots.csv, in
// order, with its frames, shooter, outcome, roll and figures, on the shipped
// scenarios under the shipped INI and under one where guns fail often.
TEST(TunerFight, EveryShotIsTheOneRunPlays) {
    const std::string often = shipped_ini() + "\n[Main]\nmaximum_chance_for_explosion=0.9\n[Expo_Chance]\n"
                                              "rifle_expo_chance_mod=0.9\npistol_expo_chance_mod=0.9\n";
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tuner-fight-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int failures = 0;
    for (const std::string& ini : {shipped_ini(), often}) {
        std::ofstream(dir / "fight.ini", std::ios::binary) << ini;
        for (const std::string scenario : {"warm-day-gunfight", "worn-out-posse", "frozen-mountain", "swamp-wading"}) {
            const Json started = Json::parse(tuner::fight_start(ini, scenario, 7));
            for (int i = 0; i < 1000 && !Json::parse(tuner::fight_step(700))["done"].get<bool>(); ++i) {
            }
            const Json fight = Json::parse(tuner::fight_result());
            ASSERT_TRUE(fight.is_object()) << scenario;
            EXPECT_EQ(fight["frames"], started["frames"]);
            const std::string command = std::string(BB_SIM) + " run --ini " + (dir / "fight.ini").string() +
                                        " --scenario " + scenario + " --seed 7 --csv " + dir.string() + " > " +
                                        (dir / "run.txt").string();
            ASSERT_EQ(std::system(command.c_str()), 0);
            std::ifstream csv(dir / "shots.csv");
            std::string line;
            std::getline(csv, line);
            std::size_t i = 0;
            for (; std::getline(csv, line); ++i) {
                ASSERT_LT(i, fight["shots"].size()) << scenario;
                const Json& shot = fight["shots"][i];
                const std::string name = fight["shooters"][shot[2].get<std::size_t>()]["name"];
                char expected[512];
                std::snprintf(expected, sizeof expected, "%d,%d,\"%s\",", shot[0].get<int>(), shot[1].get<int>(),
                              name.c_str());
                EXPECT_EQ(line.rfind(expected, 0), 0u) << scenario << ": " << line;
                EXPECT_NE(line.find(std::string(",") + shot[3].get<std::string>() + "," + (shot[4] ? "1" : "0")),
                          std::string::npos) << line;
                char roll[32];
                std::snprintf(roll, sizeof roll, ",%.9g,", shot[5].get<double>());
                EXPECT_NE(line.find(roll), std::string::npos) << line;
                failures += shot[3] != "none";
            }
            EXPECT_EQ(i, fight["shots"].size()) << scenario;
            EXPECT_THAT(fight["errors"], ::testing::IsEmpty());
            // The same natives and waits, to the last.
            std::ifstream text(dir / "run.txt");
            const std::string printed((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
            EXPECT_NE(printed.find("host traffic: " + std::to_string(fight["world"]["natives"].get<long>()) +
                                   " natives, " + std::to_string(fight["world"]["waits"].get<long>()) + " script waits"),
                      std::string::npos) << scenario << printed;
        }
    }
    EXPECT_GT(failures, 20);
    std::filesystem::remove_all(dir);
}

}  // namespace
