// barrelburst-sim.exe under wine: the same output as the Linux build for the
// same command lines, its shipped scenarios found beside it, and the modders'
// release archive.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/carried_files.h"
#include "wine_support.h"

namespace fs = std::filesystem;
using namespace wine_test;
using ::testing::HasSubstr;

namespace {

const fs::path windows_sim = windows_build / "tools/barrelburst-sim.exe";
const fs::path linux_sim = BB_LINUX_SIM;

// An INI with a value above its range, a misspelt key, a list that does not
// read and a section line without ']', in Windows line ends.
const char* const flagged_ini =
    "[Main]\r\nmaximum_chance_for_explosion=2.5\r\ndebug_mod=1\r\n[Recoil]\r\npistol_recoil=abc\r\n[Broken\r\nx=1\r\n";

// The command lines both builds run, in a folder holding release/Barrelburst.ini
// as Barrelburst.ini, the flagged INI as flagged.ini, the shipped scenarios
// in worlds/ and the checked-in shot log as Barrelburst-shots.csv. Every line
// must print the same bytes and end with the same status.
const std::vector<std::vector<std::string>> parity_command_lines = {
    {"check", "Barrelburst.ini"},
    {"check", "flagged.ini"},
    {"check", "missing.ini"},
    {"check", "--format", "json", "Barrelburst.ini"},
    {"check", "--format", "json", "flagged.ini"},
    {"odds", "--ini", "Barrelburst.ini"},
    {"odds", "--ini", "Barrelburst.ini", "--heat", "0.5", "--csv"},
    {"odds", "--cold", "0.7", "--class", "revolver,shotgun"},
    {"run", "--ini", "Barrelburst.ini", "--scenario", "worlds/frozen-mountain.toml"},
    {"run", "--ini", "Barrelburst.ini", "--scenario", "worlds/swamp-wading.toml"},
    {"run", "--ini", "Barrelburst.ini", "--scenario", "worlds/warm-day-gunfight.toml"},
    {"run", "--ini", "Barrelburst.ini", "--scenario", "worlds/worn-out-posse.toml"},
    {"log", "Barrelburst-shots.csv"},
    {"log", "Barrelburst-shots.csv", "--ini", "Barrelburst.ini", "--format", "json"},
    {"log", "missing.csv"},
};

std::string arguments_text(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) text += " " + shell_quote(argument);
    return text;
}

std::vector<std::string> shipped_scenario_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(source_dir / "tools/sim/scenarios")) {
        if (entry.path().extension() == ".toml") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SimParity : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(SimParity, WinePrintsWhatLinuxPrints) {
    ScratchFolder folder("barrelburst-sim-parity");
    folder.copy_in(source_dir / "release/Barrelburst.ini", "Barrelburst.ini");
    folder.copy_in(source_dir / "tools/sim/scenarios", "worlds");
    std::ofstream(folder.path() / "flagged.ini", std::ios::binary) << flagged_ini;
    folder.copy_in(source_dir / "tests/data/Barrelburst-shots.csv", "Barrelburst-shots.csv");

    const std::string arguments = arguments_text(GetParam());
    const CommandOutput on_linux =
        run_shell("cd " + shell_quote(folder.path().string()) + " && " + shell_quote(linux_sim.string()) + arguments);
    const CommandOutput on_wine = run_shell(wine_command(folder.path(), shell_quote(windows_sim.string()) + arguments));
    EXPECT_FALSE(on_linux.text.empty() && on_linux.error.empty());
    EXPECT_EQ(on_wine.status, on_linux.status);
    EXPECT_EQ(on_wine.text, on_linux.text);
    EXPECT_EQ(on_wine.error, on_linux.error);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SimParity, ::testing::ValuesIn(parity_command_lines),
                         [](const ::testing::TestParamInfo<std::vector<std::string>>& command_line) {
                             std::string name = std::to_string(command_line.index);
                             for (const std::string& argument : command_line.param) {
                                 name += "_";
                                 for (const char c : fs::path(argument).stem().string()) {
                                     if (std::isalnum(static_cast<unsigned char>(c)) != 0) name += c;
                                 }
                             }
                             return name;
                         });

// A frame with the banner of the player's exploded pistol, the debug overlay
// and the settings menu open: the exe draws it with the font built into it
// (no font file anywhere on its path) to the Linux tool's very bytes.
TEST(SimScreen, TheExeDrawsTheScreenOfAFrameToTheLinuxToolsBytes) {
    ScratchFolder folder("barrelburst-sim-screen");
    std::ofstream(folder.path() / "screen.ini", std::ios::binary)
        << "[Main]\r\ndebug_mode=1\r\n[NPC]\r\nenable_explosion=0\r\n[Min_Degradation_To_Explode]\r\n"
           "pistol_min_degradation=0.4\r\n";
    std::ofstream(folder.path() / "screen.toml", std::ios::binary)
        << "frames = 6\n[player]\nweapon = { kind = \"pistol\", dirt = 0.9, degradation = 0.9 }\n"
           "firing = { start = 2, stop = 2 }\n[[press]]\nframe = 1\nkey = \"F7\"\n";
    const std::string arguments = " run --ini screen.ini --scenario screen.toml --seed 2 --screen 3 --screen-out ";
    const CommandOutput on_linux = run_shell("cd " + shell_quote(folder.path().string()) + " && " +
                                             shell_quote(linux_sim.string()) + arguments + "linux.png");
    const CommandOutput on_wine =
        run_shell(wine_command(folder.path(), shell_quote(windows_sim.string()) + arguments + "wine.png"));
    ASSERT_EQ(on_linux.status, 0) << on_linux.error;
    ASSERT_EQ(on_wine.status, 0) << on_wine.error;
    EXPECT_THAT(on_linux.text, HasSubstr(" explosion\n"));
    EXPECT_THAT(on_wine.text, HasSubstr("\nScreen: wine.png (frame 3)\n"));
    const std::string picture = file_text(folder.path() / "linux.png");
    EXPECT_EQ(picture.rfind("\x89PNG\r\n\x1a\n", 0), 0u);
    EXPECT_TRUE(file_text(folder.path() / "wine.png") == picture) << "the exe's picture differs from the Linux tool's";
}

// A modder drops Barrelburst.ini on barrelburst-sim.exe: the page is written
// beside the INI, wherever the exe is, and it passes in Chromium.
TEST(SimDrop, AnIniDroppedOnTheExeGetsItsReportBesideIt) {
    ScratchFolder folder("barrelburst-sim-drop");
    std::filesystem::create_directories(folder.path() / "game");
    std::ofstream(folder.path() / "game" / "Barrelburst.ini", std::ios::binary)
        << "[Expo_Chance]\r\nrifle_expo_chance_mod=0.6\r\nrifle=0.5\r\n";
    const CommandOutput dropped =
        run_shell(wine_command(folder.path(), shell_quote(windows_sim.string()) + " --no-open " +
                                               shell_quote("game\\Barrelburst.ini")));
    ASSERT_EQ(dropped.status, 0) << dropped.text << dropped.error;
    const fs::path page = folder.path() / "game" / "Barrelburst-report.html";
    ASSERT_TRUE(fs::exists(page)) << dropped.text;
    EXPECT_THAT(dropped.text, HasSubstr("\\game\\Barrelburst-report.html\n"));
    EXPECT_EQ(test::carried_files(file_text(page)).ini,
              "[Expo_Chance]\r\nrifle_expo_chance_mod=0.6\r\nrifle=0.5\r\n");

    const CommandOutput browser = run_shell("node " + shell_quote((source_dir / "tests/browser/check_page.mjs").string()) +
                                            " " + shell_quote(page.string()) + " " +
                                            shell_quote(BB_REPORT_DIR "/Barrelburst-report-wine.png"));
    EXPECT_EQ(browser.status, 0) << browser.text << browser.error;
}

// A modder drops the game's shot log and an INI on the exe together: the page
// with "Your game" is written beside the log, and passes in Chromium.
TEST(SimDrop, ALogAndAnIniDroppedOnTheExeGetTheirPageBesideTheLog) {
    ScratchFolder folder("barrelburst-sim-drop-log");
    std::filesystem::create_directories(folder.path() / "game");
    folder.copy_in(source_dir / "tests/data/Barrelburst-shots.csv", "game/Barrelburst-shots.csv");
    folder.copy_in(source_dir / "release/Barrelburst.ini", "Barrelburst.ini");
    const CommandOutput dropped =
        run_shell(wine_command(folder.path(), shell_quote(windows_sim.string()) + " --no-open Barrelburst.ini " +
                                               shell_quote("game\\Barrelburst-shots.csv")));
    ASSERT_EQ(dropped.status, 0) << dropped.text << dropped.error;
    const fs::path page = folder.path() / "game" / "Barrelburst-report.html";
    ASSERT_TRUE(fs::exists(page)) << dropped.text;
    EXPECT_THAT(dropped.text, HasSubstr("\\game\\Barrelburst-report.html\n"));
    const test::CarriedFiles carried = test::carried_files(file_text(page));
    EXPECT_EQ(carried.log, file_text(source_dir / "tests/data/Barrelburst-shots.csv"));
    EXPECT_EQ(carried.ini, file_text(source_dir / "release/Barrelburst.ini"));

    const CommandOutput browser = run_shell("node " + shell_quote((source_dir / "tests/browser/check_page.mjs").string()) +
                                            " " + shell_quote(page.string()) + " " +
                                            shell_quote(BB_REPORT_DIR "/Barrelburst-report-log-wine.png") + " --your-game");
    EXPECT_EQ(browser.status, 0) << browser.text << browser.error;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Folders named as many players' are (a user name, a localized Documents
// folder), which the system's ANSI code page cannot hold: the tool is given
// them by their Windows names (Z:\...) and must read, write and print them.
// Its temporary folder, where it works while the plugin reads its INI, is in
// one of them too, as for a Windows user named so.
class SimUnicodePaths : public ::testing::Test {
protected:
    SimUnicodePaths() {
        fs::create_directories(chinese());
        fs::create_directories(temp());
    }
    ~SimUnicodePaths() override {
        // The tool took its scratch folders there and removed them.
        EXPECT_TRUE(fs::is_empty(temp()));
    }

    fs::path chinese() const { return folder_.path() / "文档"; }
    fs::path russian() const { return folder_.path() / "Документы"; }
    fs::path temp() const { return russian() / "Temp"; }

    // The arguments hold no blank and nothing cmd or the shell would read.
    CommandOutput on_wine(const std::vector<std::string>& arguments) const {
        std::string command = "set TMP=" + windows_name(temp()) + "&& set TEMP=" + windows_name(temp()) + "&& " +
                              windows_name(windows_sim);
        for (const std::string& argument : arguments) command += " " + argument;
        return run_shell(wine_command(folder_.path(), "cmd /c " + shell_quote(command)));
    }
    CommandOutput on_linux(const std::vector<std::string>& arguments) const {
        return run_shell("cd " + shell_quote(folder_.path().string()) + " && " + shell_quote(linux_sim.string()) +
                         arguments_text(arguments));
    }

private:
    ScratchFolder folder_{"barrelburst-sim-unicode"};
};

TEST_F(SimUnicodePaths, AnIniDroppedOnTheExeGetsItsPageBesideItAndBothNamedRight) {
    const fs::path ini = chinese() / "Barrelburst.ini";
    std::ofstream(ini, std::ios::binary) << "[Expo_Chance]\r\nrifle_expo_chance_mod=0.6\r\n";
    const fs::path page = chinese() / "Barrelburst-report.html";

    const CommandOutput dropped = on_wine({"--no-open", windows_name(ini)});
    ASSERT_EQ(dropped.status, 0) << dropped.text << dropped.error;
    EXPECT_EQ(dropped.text, "barrelburst-sim: what " + windows_name(ini) + " does, as a page: " + windows_name(page) +
                                "\nReport: " + windows_name(page) + "\n");
    EXPECT_EQ(dropped.error, "");
    EXPECT_EQ(test::carried_files(file_text(page)).data["ini"]["name"], windows_name(ini));
}

TEST_F(SimUnicodePaths, CheckPrintsWhatLinuxPrintsWithTheWindowsName) {
    const fs::path ini = russian() / "flagged.ini";
    std::ofstream(ini, std::ios::binary) << flagged_ini;
    const CommandOutput on_linux_tool = on_linux({"check", ini.string()});
    const CommandOutput checked = on_wine({"check", windows_name(ini)});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.status, on_linux_tool.status);
    EXPECT_THAT(checked.text, HasSubstr("\n  " + windows_name(ini) + ":2: "));
    EXPECT_EQ(checked.text, replace_all(on_linux_tool.text, ini.string(), windows_name(ini)));

    const fs::path missing = chinese() / "missing.ini";
    const CommandOutput not_there = on_wine({"check", windows_name(missing)});
    EXPECT_EQ(not_there.status, 2);
    EXPECT_EQ(not_there.error,
              "barrelburst-sim check: cannot read INI file '" + windows_name(missing) + "': No such file or directory\n");
}

// A scenario file and an INI there; the INI turns the plugin's play log on,
// which it writes in the temporary folder and the run keeps beside its records.
TEST_F(SimUnicodePaths, RunWritesTheRecordsAndThePlayLogIntoTheFolderAsLinuxDoes) {
    const fs::path ini = russian() / "log-on.ini";
    std::ofstream(ini, std::ios::binary) << "[Main]\r\nshot_log=1\r\n";
    const fs::path scenario = russian() / "warm-day-gunfight.toml";
    fs::copy_file(source_dir / "tools/sim/scenarios/warm-day-gunfight.toml", scenario);
    const fs::path records = chinese() / "records";
    const fs::path linux_records = chinese() / "records-linux";
    const auto run = [](const std::string& scenario_name, const std::string& ini_name, const std::string& folder) {
        return std::vector<std::string>{"run", "--scenario", scenario_name, "--ini", ini_name,
                                        "--frames", "600", "--csv", folder};
    };

    const CommandOutput on_linux_tool = on_linux(run(scenario.string(), ini.string(), linux_records.string()));
    const CommandOutput ran = on_wine(run(windows_name(scenario), windows_name(ini), windows_name(records)));
    ASSERT_EQ(ran.status, 0) << ran.text << ran.error;
    EXPECT_EQ(on_linux_tool.status, 0);
    EXPECT_THAT(ran.text, HasSubstr("\nRecords: " + windows_name(records / "shots.csv") + ", " +
                                    windows_name(records / "frames.csv") + ", " +
                                    windows_name(records / "texts.csv") + ", " +
                                    windows_name(records / "Barrelburst-shots.csv") + " (the plugin's play log)\n"));
    std::string expected = on_linux_tool.text;
    for (const fs::path& file : {scenario, ini}) expected = replace_all(expected, file.string(), windows_name(file));
    EXPECT_EQ(ran.text, replace_all(expected, linux_records.string() + "/", windows_name(records) + "\\"));
    for (const char* name : {"shots.csv", "frames.csv", "texts.csv"}) {
        EXPECT_EQ(file_text(records / name), file_text(linux_records / name)) << name;
    }
    // The same rows; the first column is the clock's time of the game start.
    const std::string play_log = file_text(records / "Barrelburst-shots.csv");
    const std::string linux_play_log = file_text(linux_records / "Barrelburst-shots.csv");
    EXPECT_EQ(play_log.rfind("session,pass,", 0), 0u);
    EXPECT_GT(std::count(play_log.begin(), play_log.end(), '\n'), 1);
    EXPECT_EQ(std::count(play_log.begin(), play_log.end(), '\n'),
              std::count(linux_play_log.begin(), linux_play_log.end(), '\n'));
}

TEST_F(SimUnicodePaths, ReportWritesThePageWhereOutSaysAndShowsTheInisAndTheLogsNames) {
    const fs::path ini = chinese() / "Barrelburst.ini";
    fs::copy_file(source_dir / "release/Barrelburst.ini", ini);
    const fs::path log = russian() / "Barrelburst-shots.csv";
    fs::copy_file(source_dir / "tests/data/Barrelburst-shots.csv", log);
    const fs::path page = russian() / "page.html";

    const CommandOutput reported =
        on_wine({"report", "--ini", windows_name(ini), "--log", windows_name(log), "--out", windows_name(page)});
    ASSERT_EQ(reported.status, 0) << reported.text << reported.error;
    EXPECT_EQ(reported.text, "Report: " + windows_name(page) + "\n");
    const test::CarriedFiles carried = test::carried_files(file_text(page));
    EXPECT_EQ(carried.data["log"]["name"], windows_name(log));
    EXPECT_EQ(carried.data["ini"]["name"], windows_name(ini));
    EXPECT_EQ(carried.log, file_text(log));
}

TEST_F(SimUnicodePaths, LogPrintsWhatLinuxPrintsWithTheWindowsNames) {
    const fs::path ini = chinese() / "Barrelburst.ini";
    fs::copy_file(source_dir / "release/Barrelburst.ini", ini);
    const fs::path log = russian() / "Barrelburst-shots.csv";
    fs::copy_file(source_dir / "tests/data/Barrelburst-shots.csv", log);

    const CommandOutput on_linux_tool = on_linux({"log", log.string(), "--ini", ini.string()});
    const CommandOutput read = on_wine({"log", windows_name(log), "--ini", windows_name(ini)});
    EXPECT_EQ(read.status, on_linux_tool.status);
    EXPECT_THAT(read.text, HasSubstr("barrelburst-sim log: " + windows_name(log) + "\n"));
    EXPECT_EQ(read.text, replace_all(replace_all(on_linux_tool.text, log.string(), windows_name(log)), ini.string(),
                                     windows_name(ini)));
}

TEST(SimRelease, TheToolsArchiveHoldsTheExeItsScenariosTheReadmeAndTheLicense) {
    const fs::path zip = BB_TOOLS_ZIP;
    ASSERT_TRUE(fs::exists(zip)) << zip << " is missing: build the windows preset";
    const std::vector<std::string> scenarios = shipped_scenario_names();
    std::string expected = "barrelburst-sim.exe\n";
    for (const std::string& name : scenarios) expected += "scenarios/" + name + ".toml\n";
    expected += "Barrelburst-tuner.html\nREADME-tools.txt\nLICENSE.txt\nDejaVu-fonts-LICENSE.txt\n";
    const CommandOutput listing = run_shell("unzip -Z1 " + shell_quote(zip.string()) + " 2>&1");
    ASSERT_EQ(listing.status, 0) << listing.text;
    EXPECT_EQ(listing.text, expected);

    ScratchFolder scratch("barrelburst-tools");
    const fs::path unpacked = scratch.path() / "Barrelburst-tools";
    ASSERT_EQ(run_shell("unzip -q " + shell_quote(zip.string()) + " -d " + shell_quote(unpacked.string())).status, 0);
    EXPECT_EQ(file_text(unpacked / "barrelburst-sim.exe"), file_text(windows_sim));
    for (const std::string& name : scenarios) {
        EXPECT_EQ(file_text(unpacked / "scenarios" / (name + ".toml")),
                  file_text(source_dir / "tools/sim/scenarios" / (name + ".toml")))
            << name;
    }
    EXPECT_EQ(file_text(unpacked / "LICENSE.txt"), file_text(source_dir / "LICENSE"));
    EXPECT_EQ(file_text(unpacked / "Barrelburst-tuner.html"), file_text(BB_TUNER_PAGE));
    EXPECT_EQ(file_text(unpacked / "README-tools.txt").rfind("Barrelburst " BB_VERSION " - tools for modders\n", 0), 0u);

    // Statically linked, the host's functions its own: only Windows' DLLs.
    const CommandOutput dump = run_shell(BB_OBJDUMP " -p " + shell_quote((unpacked / "barrelburst-sim.exe").string()));
    ASSERT_EQ(dump.status, 0) << dump.text;
    std::vector<std::string> dlls;
    std::istringstream lines(dump.text);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("DLL Name: ");
        if (at == std::string::npos) continue;
        std::string dll = line.substr(at + 10);
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
        dlls.push_back(dll);
    }
    EXPECT_THAT(dlls, ::testing::Contains("kernel32.dll"));
    EXPECT_THAT(dlls, ::testing::Each(::testing::AnyOf("kernel32.dll", "msvcrt.dll", "shell32.dll", "advapi32.dll",
                                                        "user32.dll", "ole32.dll")));

    // Run from its own folder, and from another one: the shipped scenarios
    // are found beside the exe either way.
    for (const auto& [folder, exe] : {std::pair{unpacked, std::string("barrelburst-sim.exe")},
                                      std::pair{scratch.path(), std::string("Barrelburst-tools/barrelburst-sim.exe")}}) {
        const CommandOutput listed = run_shell(wine_command(folder, exe + " run --list-scenarios") + " 2>&1");
        ASSERT_EQ(listed.status, 0) << listed.text;
        EXPECT_THAT(listed.text, HasSubstr("Barrelburst-tools\\scenarios):\n")) << "from " << folder;
        for (const std::string& name : scenarios) EXPECT_THAT(listed.text, HasSubstr("\n  " + name)) << "from " << folder;
    }
}

}  // namespace
