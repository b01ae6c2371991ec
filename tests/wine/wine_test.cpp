// The cross-built Barrelburst.asi in a real Windows loader: wine runs the
// stand-in ScriptHookRDR2.dll and a runner that loads both with LoadLibrary.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "model/shot_log.h"
#include "plugin_session.h"
#include "host/plugin_state.h"
#include "scenarios.h"
#include "wine_support.h"

namespace fs = std::filesystem;
using namespace wine_test;

namespace {

struct WineRun {
    int status = -1;
    std::string output;  // standard output and error, CR stripped
    std::map<std::string, std::string> values;
    std::vector<std::string> lines;
};

// A scratch folder holding the plugin, the stand-in host and the runner, as a
// game folder holds the plugin next to the host.
class GameFolder : public ScratchFolder {
public:
    GameFolder() : ScratchFolder("barrelburst-wine") {
        for (const char* file : {"Barrelburst.asi", "ScriptHookRDR2.dll", "runner.exe", "runtime_baseline.dll"}) {
            copy_in(windows_build / file, file);
        }
    }

    WineRun wine(const std::string& arguments) const {
        const CommandOutput got = run_shell(wine_command(path(), "runner.exe " + arguments) + " 2>&1");
        WineRun run;
        run.status = got.status;
        run.output = got.text;
        std::istringstream lines(run.output);
        for (std::string line; std::getline(lines, line);) {
            run.lines.push_back(line);
            const auto eq = line.find('=');
            if (eq != std::string::npos) run.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return run;
    }

    std::vector<std::string> log(const std::string& name) const {
        std::ifstream in(path() / name);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

struct LinuxRun {
    std::vector<std::string> natives;
    std::string shot_log;  // Barrelburst-shots.csv as the plugin left it
    std::string ini;       // Barrelburst.ini as the plugin left it
};

// The same scenario on the Linux stand-in host, in this process.
LinuxRun linux_run(const std::string& scenario, const fs::path& ini, int frames) {
    const fs::path previous = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("barrelburst-linux-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy_file(ini, dir / "Barrelburst.ini", fs::copy_options::overwrite_existing);
    fs::current_path(dir);
    LinuxRun run;
    reset_plugin_state();
    {
        standin::PluginSession session;
        standin::build_scenario(session.world(), scenario);
        session.run_frames(frames);
        session.detach();
        for (const standin::Call& call : session.host().log()) run.natives.push_back(standin::format_call(call));
        EXPECT_THAT(session.host().errors(), ::testing::IsEmpty());
    }
    run.shot_log = file_text(dir / "Barrelburst-shots.csv");
    run.ini = file_text(dir / "Barrelburst.ini");
    fs::current_path(previous);
    fs::remove_all(dir);
    return run;
}

// Blanks what the random draws decide: the direction of a random ragdoll fall
// (arguments 5 to 7). The module handle differs between the two loaders.
std::string comparable(const std::string& line) {
    if (line.find("scriptRegister(") != std::string::npos || line.find("scriptUnregister(") != std::string::npos) {
        return line.substr(0, line.find('(')) + "(module)";
    }
    const std::string ragdoll = "PED::SET_PED_TO_RAGDOLL_WITH_FALL(";
    const auto at = line.find(ragdoll);
    if (at == std::string::npos) return line;
    std::vector<std::string> args;
    std::string rest = line.substr(at + ragdoll.size());
    const std::string tail = rest.substr(rest.find(')'));
    rest = rest.substr(0, rest.find(')'));
    std::istringstream in(rest);
    for (std::string arg; std::getline(in, arg, ',');) args.push_back(arg);
    for (std::size_t i = 4; i < 7 && i < args.size(); ++i) args[i] = " dir";
    std::string out = line.substr(0, at + ragdoll.size());
    for (std::size_t i = 0; i < args.size(); ++i) out += (i > 0 ? "," : "") + args[i];
    return out + tail;
}

std::vector<std::string> comparable(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(comparable(line));
    return out;
}

// The natives of the .asi under wine against those of the same run on Linux, line by line.
void expect_same_natives(const std::vector<std::string>& on_wine, const std::vector<std::string>& on_linux) {
    EXPECT_EQ(on_wine.size(), on_linux.size());
    for (std::size_t i = 0; i < std::min(on_wine.size(), on_linux.size()); ++i) {
        ASSERT_EQ(on_wine[i], on_linux[i]) << "first difference at log line " << i + 1;
    }
}

TEST(Wine, AttachRegistersOneScriptWithThePluginsModuleAndDetachUnregistersIt) {
    GameFolder game;
    const WineRun run = game.wine("run --scenario idle --frames 3 --log natives.log --threads");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.values.at("registrations_after_load"), "1");
    EXPECT_EQ(run.values.at("registered_module_is_plugin"), "1");
    EXPECT_EQ(run.values.at("natives_before_first_frame"), "0");
    // A thread started and ended while the plugin is loaded changes nothing.
    EXPECT_EQ(run.values.at("registrations_after_thread"), "1");
    EXPECT_EQ(run.values.at("unregistrations_after_thread"), "0");
    EXPECT_EQ(run.values.at("natives_after_thread"), "0");
    EXPECT_EQ(run.values.at("unregistrations_after_unload"), "1");
    EXPECT_EQ(run.values.at("script_registered_after_unload"), "0");
    EXPECT_EQ(run.values.at("waits"), "3");
    EXPECT_EQ(run.values.at("host_errors"), "0");
}

TEST(Wine, TheIniIsReadFromTheWorkingDirectoryOnceBeforeTheFirstScan) {
    GameFolder game;
    game.copy_in(source_dir / "tests/data/scan-off.ini", "Barrelburst.ini");
    const WineRun run = game.wine("run --scenario parity --frames 8 --log natives.log --rewrite-ini " +
                                  shell_quote((source_dir / "tests/data/parity.ini").string()) + " --rewrite-at 4");
    ASSERT_EQ(run.status, 0) << run.output;
    // With both scans off every frame asks for the player's ped and waits,
    // from the first frame on and still after the file has changed.
    std::vector<std::string> expected{"0 scriptRegister(module)"};
    for (int frame = 1; frame <= 8; ++frame) {
        expected.push_back(std::to_string(frame) + " PLAYER::PLAYER_PED_ID() -> 256");
        expected.push_back(std::to_string(frame) + " scriptWait(0)");
    }
    expected.push_back("8 scriptUnregister(module)");
    EXPECT_EQ(comparable(game.log("natives.log")), expected);
}

// Live tuning in the .asi: a file rewritten between frames 70 and 71 is seen
// at the look of pass 120 and read at the look of pass 180, with its banner.
TEST(Wine, ARewriteBetweenFramesIsReadAtTheSecondLookAfterIt) {
    GameFolder game;
    game.copy_in(source_dir / "tests/data/reload-on.ini", "Barrelburst.ini");
    const WineRun run = game.wine("run --scenario parity --frames 200 --log natives.log --rewrite-ini " +
                                  shell_quote((source_dir / "tests/data/reload-changed.ini").string()) +
                                  " --rewrite-at 70");
    ASSERT_EQ(run.status, 0) << run.output;
    int first_banner = 0;
    int texture_queries = 0;
    for (const std::string& line : game.log("natives.log")) {
        if (line.find("TXD::HAS_STREAMED_TEXTURE_DICT_LOADED(") != std::string::npos) ++texture_queries;
        if (first_banner == 0 && line.find("HUD::_DISPLAY_TEXT(") != std::string::npos &&
            line.find("~s~Barrelburst.ini reloaded</FONT>") != std::string::npos) {
            first_banner = std::stoi(line.substr(0, line.find(' ')));
        }
    }
    EXPECT_EQ(first_banner, 180);
    EXPECT_EQ(texture_queries, 1);
}

// Wine's file trace shows every query of the file's attributes: with live
// tuning one at the start and one every 60 passes; without it none at all.
TEST(Wine, TheAsiLooksAtTheFileEverySixtyPassesOnlyWithLiveTuningOn) {
    for (const auto& [ini, looks] : {std::pair{"reload-on.ini", 1 + 130 / 60}, std::pair{"scan-off.ini", 0}}) {
        GameFolder game;
        game.copy_in(source_dir / "tests/data" / ini, "Barrelburst.ini");
        const CommandOutput traced = run_shell(
            "cd " + shell_quote(game.path().string()) + " && WINEPREFIX=" + shell_quote(wine_prefix.string()) +
            " WINEDEBUG=trace+file wine runner.exe run --scenario parity --frames 130 --log natives.log 2> trace.txt");
        ASSERT_EQ(traced.status, 0) << traced.text;
        std::ifstream trace(game.path() / "trace.txt");
        int queries = 0;
        for (std::string line; std::getline(trace, line);) {
            if (line.find("GetFileAttributesExW L\"Barrelburst.ini\"") != std::string::npos) ++queries;
        }
        EXPECT_EQ(queries, looks) << ini;
    }
}

TEST(Wine, TheParityScenarioMakesTheSameNativesAsOnLinux) {
    constexpr int frames = 420;
    GameFolder game;
    const fs::path ini = source_dir / "tests/data/parity.ini";
    game.copy_in(ini, "Barrelburst.ini");
    const WineRun run = game.wine("run --scenario parity --frames " + std::to_string(frames) + " --log natives.log");
    ASSERT_EQ(run.status, 0) << run.output;

    const std::vector<std::string> on_linux = comparable(linux_run("parity", ini, frames).natives);
    ASSERT_GT(on_linux.size(), static_cast<std::size_t>(frames));
    expect_same_natives(comparable(game.log("natives.log")), on_linux);
}

// The menu in the .asi, driven by the keyboard the runner gives it through
// its user32 imports: the same natives as on Linux, frame for frame, and the
// same file saved, with only the edited line changed.
TEST(Wine, TheMenuOfTheAsiOpensEditsSavesAndClosesAsOnLinux) {
    constexpr int frames = 90;
    GameFolder game;
    const fs::path ini = source_dir / "tests/data/menu.ini";
    game.copy_in(ini, "Barrelburst.ini");
    const WineRun run = game.wine("run --scenario menu --frames " + std::to_string(frames) + " --log natives.log");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.values.at("keyboard_imports_patched"), "3");

    const std::vector<std::string> on_wine = comparable(game.log("natives.log"));
    const LinuxRun on_linux = linux_run("menu", ini, frames);
    expect_same_natives(on_wine, comparable(on_linux.natives));
    const auto drawn = [&on_wine](const std::string& text) {
        return std::count_if(on_wine.begin(), on_wine.end(), [&text](const std::string& line) {
            return line.find("HUD::_DISPLAY_TEXT(\"" + text + "\"") != std::string::npos;
        });
    };
    EXPECT_GT(drawn("Barrelburst"), 0);
    EXPECT_GT(drawn("Saved to Barrelburst.ini."), 0);

    const std::string original = file_text(ini);
    const std::string saved = file_text(game.path() / "Barrelburst.ini");
    EXPECT_EQ(saved, on_linux.ini);
    EXPECT_EQ(saved, "; tuned by hand\r\n[main]\r\nMaximum_Chance_For_Explosion = 0.38\r\nmy_note=keep me\r\n\r\n"
                     "[Recoil]\r\nenable_recoil=0\r\nrifle_recoil=1.5,1.5\r\n[Player]\r\nfiring_increases_dirt=0\r\n");
    EXPECT_EQ(original.size(), saved.size());
}

// The play log's rows without what differs between two runs: the session's
// time and the plugin's own random draws, the roll and a crack's wear (with
// what the crack wrote).
std::vector<std::string> comparable_rows(const std::string& log) {
    std::vector<std::string> rows;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream row(line + ",");
        for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
        if (fields.size() == shot_log_columns.size() && fields[0] != "session") {
            const float roll = std::stof(fields[17]);
            EXPECT_TRUE(roll >= 0.0f && roll < 1.0f) << line;
            fields[0] = "session";
            fields[17] = "roll";
            if (fields[18] == "crack") {
                const float wear = std::stof(fields[20]);
                EXPECT_TRUE(wear >= 0.06f && wear < 0.21f) << line;
                fields[20] = "wear";
                // What the crack writes follows from its wear.
                fields[22] = "lifted dirt";
                fields[23] = "lifted degradation";
            }
        }
        std::string joined;
        for (const std::string& field : fields) joined += (joined.empty() ? "" : ",") + field;
        rows.push_back(joined);
    }
    return rows;
}

// With the play log on, the .asi writes the rows the Linux build writes for
// the same frames: appended to what the file held, the last ones at unload.
TEST(Wine, ThePlayLogOfTheAsiIsTheLinuxBuildsForTheSameFrames) {
    constexpr int frames = 420;
    const std::string ini = file_text(source_dir / "tests/data/parity.ini") + "\n[Main]\nshot_log=1\n";
    ScratchFolder linux_ini("barrelburst-ini");
    std::ofstream(linux_ini.path() / "Barrelburst.ini", std::ios::binary) << ini;
    const std::string on_linux = linux_run("parity", linux_ini.path() / "Barrelburst.ini", frames).shot_log;

    GameFolder game;
    std::ofstream(game.path() / "Barrelburst.ini", std::ios::binary) << ini;
    std::ofstream(game.path() / "Barrelburst-shots.csv", std::ios::binary) << "an earlier game's last row";
    const WineRun run = game.wine("run --scenario parity --frames " + std::to_string(frames) + " --log natives.log");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string on_wine = file_text(game.path() / "Barrelburst-shots.csv");

    // The earlier row ended, then this version's header and rows.
    const std::string earlier = "an earlier game's last row\n";
    ASSERT_EQ(on_wine.substr(0, earlier.size()), earlier);
    const std::vector<std::string> linux_rows = comparable_rows(on_linux);
    // The header, the player's shots and the gunner's.
    ASSERT_GT(linux_rows.size(), 3u) << on_linux;
    EXPECT_EQ(linux_rows[0], shot_log_header);
    EXPECT_EQ(comparable_rows(on_wine.substr(earlier.size())), linux_rows);
    // One session: the .asi's start, in UTC, on every row.
    const std::size_t first_row = on_wine.find('\n', earlier.size()) + 1;
    const std::string session = on_wine.substr(first_row, on_wine.find(',', first_row) - first_row);
    EXPECT_TRUE(std::regex_match(session, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"))) << session;
    EXPECT_EQ(std::count(on_wine.begin(), on_wine.end(), '\n'), static_cast<std::ptrdiff_t>(1 + linux_rows.size()));
    std::istringstream rows(on_wine.substr(first_row));
    for (std::string row; std::getline(rows, row);) EXPECT_EQ(row.rfind(session + ",", 0), 0u) << row;
}

// A folder in the log file's place: the log stops at its first write, with
// one banner, and is never tried again.
TEST(Wine, APlayLogThatCannotBeWrittenStopsWithOneBanner) {
    GameFolder game;
    // Shots that never fail, so that the banner can only be the log's; no
    // heat smoke to wait for, so that passes are frames.
    std::ofstream(game.path() / "Barrelburst.ini", std::ios::binary)
        << "[Main]\nshot_log=1\nmaximum_chance_for_explosion=0\n[Heat]\nenable_smoke_from_heat=0\n"
           "[Min_Degradation_To_Explode]\nrifle_min_degradation=0.1\nshotgun_min_degradation=0.1\n";
    fs::create_directory(game.path() / "Barrelburst-shots.csv");
    const WineRun run = game.wine("run --scenario parity --frames 420 --log natives.log");
    ASSERT_EQ(run.status, 0) << run.output;
    int texture_queries = 0;
    std::vector<int> banner_frames;
    for (const std::string& line : game.log("natives.log")) {
        if (line.find("TXD::HAS_STREAMED_TEXTURE_DICT_LOADED(") != std::string::npos) ++texture_queries;
        if (line.find("HUD::_DISPLAY_TEXT(") != std::string::npos &&
            line.find("~s~Barrelburst-shots.csv cannot be written</FONT>") != std::string::npos) {
            banner_frames.push_back(std::stoi(line.substr(0, line.find(' '))));
        }
    }
    EXPECT_EQ(texture_queries, 1);
    ASSERT_EQ(banner_frames.size(), 361u);  // from pass 60 to the end of the run
    EXPECT_EQ(banner_frames.front(), 60);
    EXPECT_TRUE(fs::is_directory(game.path() / "Barrelburst-shots.csv"));
}

TEST(Wine, TheHeatSmokeFailureArrivesOnStandardOutput) {
    GameFolder game;
    game.copy_in(source_dir / "tests/data/parity.ini", "Barrelburst.ini");
    const WineRun run = game.wine("run --scenario parity --frames 420 --log natives.log");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.lines, ::testing::Contains("Can't load ptfx dictionary!"));
}

TEST(Wine, LoadingAndUnloadingAHundredTimesLeavesNoScriptAndNoGrowth) {
    GameFolder game;
    const WineRun run = game.wine("cycles --count 100 --frames 3 --baseline runtime_baseline.dll");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.values.at("left_registered"), "0");
    EXPECT_EQ(run.values.at("host_errors"), "0");
    // The statically linked C++ runtime leaves one block per unload; the
    // plugin itself must leave nothing.
    EXPECT_GT(std::stoll(run.values.at("runtime_block_per_cycle")), 0);
    EXPECT_LE(std::stoll(run.values.at("plugin_growth_per_cycle")), 0) << run.output;
    std::cout << "heap per load/unload cycle: " << run.values.at("heap_growth_per_cycle") << " bytes, of which the "
              << "runtime's block " << run.values.at("runtime_block_per_cycle") << ", the plugin's own "
              << run.values.at("plugin_growth_per_cycle") << "\n";
}

// The CRC-32 (zlib's) that a .gnu_debuglink section holds of its debug file.
std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST(Release, TheArchiveHoldsThePluginItsIniTheReadmeAndTheLicense) {
    const fs::path zip = BB_RELEASE_ZIP;
    ASSERT_TRUE(fs::exists(zip)) << zip << " is missing: build the windows preset";
    const CommandOutput listing = run_shell("unzip -Z1 " + shell_quote(zip.string()) + " 2>&1");
    ASSERT_EQ(listing.status, 0) << listing.text;
    EXPECT_EQ(listing.text, "Barrelburst.asi\nBarrelburst.ini\nREADME.txt\nLICENSE.txt\n");

    GameFolder game;
    const fs::path unpacked = game.path() / "release";
    ASSERT_EQ(run_shell("unzip -q -o " + shell_quote(zip.string()) + " -d " + shell_quote(unpacked.string())).status, 0);
    EXPECT_EQ(file_text(unpacked / "Barrelburst.ini"), file_text(source_dir / "release/Barrelburst.ini"));
    EXPECT_EQ(file_text(unpacked / "Barrelburst.asi"), file_text(windows_build / "Barrelburst.asi"));
    EXPECT_EQ(file_text(unpacked / "LICENSE.txt"), file_text(source_dir / "LICENSE"));
    EXPECT_NE(file_text(unpacked / "README.txt").find("Barrelburst " BB_VERSION "\n"), std::string::npos);

    const CommandOutput imports =
        run_shell("bash " + shell_quote((source_dir / "tests/scripts/check_import_table.sh").string()) + " " BB_OBJDUMP " " +
                  shell_quote((unpacked / "Barrelburst.asi").string()) + " " +
                  shell_quote((source_dir / "tests/scripts/scripthook_imports.txt").string()) + " 2>&1");
    EXPECT_EQ(imports.status, 0) << imports.text;

    // The version a player quotes, as Windows reads it from the resource.
    game.copy_in(unpacked / "Barrelburst.asi", "Barrelburst.asi");
    const WineRun run = game.wine("version Barrelburst.asi");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.values.at("ProductVersion"), BB_VERSION);
    EXPECT_EQ(run.values.at("FileVersion"), BB_VERSION);
    EXPECT_EQ(run.values.at("file_version"), BB_VERSION ".0");
    EXPECT_EQ(run.values.at("ProductName"), "Barrelburst");
    EXPECT_EQ(run.values.at("OriginalFilename"), "Barrelburst.asi");
}

TEST(Release, TheShippedPluginIsStrippedAndLinkedToTheBuildsDebugFile) {
    const fs::path zip = BB_RELEASE_ZIP;
    ScratchFolder scratch("barrelburst-release");
    ASSERT_EQ(run_shell("unzip -q " + shell_quote(zip.string()) + " Barrelburst.asi -d " +
                        shell_quote(scratch.path().string()))
                  .status,
              0);
    const fs::path asi = scratch.path() / "Barrelburst.asi";
    EXPECT_LT(fs::file_size(asi), 350u * 1024u);

    const CommandOutput sections = run_shell(BB_OBJDUMP " -h " + shell_quote(asi.string()));
    ASSERT_EQ(sections.status, 0) << sections.text;
    EXPECT_THAT(sections.text, ::testing::Not(::testing::HasSubstr(" .debug_")));

    // .gnu_debuglink: the debug file's name, NUL-padded to 4 bytes, then its CRC-32.
    const fs::path link = scratch.path() / "debuglink";
    const CommandOutput dumped =
        run_shell(BB_OBJCOPY " --dump-section .gnu_debuglink=" + shell_quote(link.string()) + " " +
                  shell_quote(asi.string()) + " " + shell_quote((scratch.path() / "discard").string()) + " 2>&1");
    ASSERT_EQ(dumped.status, 0) << "no .gnu_debuglink section: " << dumped.text;
    const std::string section = file_text(link);
    ASSERT_EQ(section.size() % 4, 0u);
    ASSERT_GE(section.size(), 8u);
    EXPECT_EQ(std::string(section.c_str()), "Barrelburst.asi.debug");
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        crc |= static_cast<std::uint32_t>(static_cast<unsigned char>(section[section.size() - 4 + i])) << (8 * i);
    }
    const fs::path debug_file = windows_build / "Barrelburst.asi.debug";
    EXPECT_EQ(crc, crc32(file_text(debug_file))) << debug_file << " is not the one of this .asi";
    // The debug file holds the plugin's symbols and lines.
    const CommandOutput debug_sections = run_shell(BB_OBJDUMP " -h " + shell_quote(debug_file.string()));
    EXPECT_THAT(debug_sections.text, ::testing::HasSubstr(" .debug_info "));
    EXPECT_THAT(debug_sections.text, ::testing::HasSubstr(" .debug_line "));
}

}  // namespace
