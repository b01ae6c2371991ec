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
    const std::string html = file_text(page);
    EXPECT_NE(html.find("unknown key &#39;rifle&#39;"), std::string::npos);
    EXPECT_NE(html.find("<tr class=\"changed\"><td class=\"key\">[Expo_Chance]</td><td class=\"key\">"
                        "rifle_expo_chance_mod"),
              std::string::npos);

    const CommandOutput browser =
        run_shell("python3 " + shell_quote((source_dir / "tests/scripts/check_report_in_chromium.py").string()) + " " +
                  shell_quote(page.string()) + " " + shell_quote(BB_REPORT_DIR "/Barrelburst-report-wine.png"));
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
    const std::string html = file_text(page);
    EXPECT_NE(html.find("<h2>Your game</h2>"), std::string::npos);
    EXPECT_NE(html.find("cracks / explosions under Barrelburst.ini"), std::string::npos);

    const CommandOutput browser =
        run_shell("python3 " + shell_quote((source_dir / "tests/scripts/check_report_in_chromium.py").string()) + " " +
                  shell_quote(page.string()) + " " + shell_quote(BB_REPORT_DIR "/Barrelburst-report-log-wine.png") +
                  " --your-game");
    EXPECT_EQ(browser.status, 0) << browser.text << browser.error;
}

TEST(SimRelease, TheToolsArchiveHoldsTheExeItsScenariosTheReadmeAndTheLicense) {
    const fs::path zip = BB_TOOLS_ZIP;
    ASSERT_TRUE(fs::exists(zip)) << zip << " is missing: build the windows preset";
    const std::vector<std::string> scenarios = shipped_scenario_names();
    std::string expected = "barrelburst-sim.exe\n";
    for (const std::string& name : scenarios) expected += "scenarios/" + name + ".toml\n";
    expected += "Barrelburst-tuner.html\nREADME-tools.txt\nLICENSE.txt\n";
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
