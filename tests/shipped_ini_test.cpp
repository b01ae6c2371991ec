// The Barrelburst.ini that ships with the plugin: every key the plugin reads,
// each at its default, so that it behaves exactly as no file at all.

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_text.h"
#include "model/shot_record.h"
#include "support/model_world.h"
#include "support/settings_dump.h"
#include "support/test_support.h"

namespace {

std::string shipped_text() {
    std::ifstream in(std::filesystem::path(BB_SOURCE_DIR) / "release" / "Barrelburst.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// One key line of the file, with the section it stands in and its line index.
struct Assignment {
    std::string section;
    std::string key;
    std::string value;
    std::size_t line;
};

// The file's own layout: whole-line comments, blank lines, [Section] lines
// and key=value lines, nothing else.
std::vector<Assignment> assignments_of(const std::vector<std::string>& lines) {
    std::vector<Assignment> out;
    std::string section;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + line);
        if (line.empty() || line[0] == ';') continue;
        EXPECT_EQ(line.find_first_of(" \t\r"), std::string::npos) << "blanks outside comments";
        if (line[0] == '[') {
            EXPECT_EQ(line.back(), ']');
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        EXPECT_NE(eq, std::string::npos);
        if (eq == std::string::npos) continue;
        out.push_back({section, line.substr(0, eq), line.substr(eq + 1), i});
    }
    return out;
}

class ShippedIniTest : public test::PluginTest {
protected:
    void SetUp() override {
        test::PluginTest::SetUp();
        text_ = shipped_text();
        ASSERT_FALSE(text_.empty()) << "release/Barrelburst.ini not found under " << BB_SOURCE_DIR;
        std::filesystem::remove(scratch_.path() / "Barrelburst.ini");
        reset_plugin_state();
        load_settings();
        defaults_ = test::settings_dump();
    }
    std::string dump_of(const std::string& content) {
        ini(content);
        reset_plugin_state();
        load_settings();
        return test::settings_dump();
    }

    std::string text_;
    std::string defaults_;
};

TEST_F(ShippedIniTest, GivesExactlyTheSettingsOfNoFile) {
    EXPECT_EQ(dump_of(text_), defaults_);
    EXPECT_TRUE(settings.base_degradation.empty());
    EXPECT_EQ(class_tuning.recoil.size(), 5u);
    EXPECT_EQ(shooter_tuning.damage_modifier.size(), 2u);
}

TEST_F(ShippedIniTest, EveryKeyLineOfTheFileIsTheOneThePluginReads) {
    const std::vector<std::string> lines = lines_of(text_);
    const std::vector<Assignment> found = assignments_of(lines);
    ASSERT_FALSE(found.empty());
    for (const Assignment& a : found) {
        SCOPED_TRACE(a.section + "/" + a.key);
        std::vector<std::string> changed = lines;
        changed[a.line] = a.key + "=" + (a.value == "1" ? "0" : "7,8,9,10,11,12,13");
        EXPECT_NE(dump_of(joined(changed)), defaults_);
    }
}

TEST_F(ShippedIniTest, TheBaseDegradationExampleWearsTheODriscollsGunsOnceUncommented) {
    std::vector<std::string> lines = lines_of(text_);
    std::size_t examples = 0;
    for (std::string& line : lines) {
        if (line == ";REL_GANG_ODRISCOLL=0.6,0.9") {
            line.erase(0, 1);
            ++examples;
        }
    }
    ASSERT_EQ(examples, 1u);
    ini(joined(lines));
    reset_plugin_state();
    start();
    test::define_test_weapons(world());
    // Two NPCs whose pistols look new, an O'Driscoll and a Lemoyne Raider.
    const auto shooter = [this](const char* group) {
        const std::int32_t ped = world().add_ped();
        test::arm_with(world(), ped, test::pistol_weapon, 0.2f, 0.0f);
        world().ped(ped).relationship_hash = standin::joaat(group);
        world().ped(ped).shooting = true;
        return ped;
    };
    const std::int32_t odriscoll = shooter("REL_GANG_ODRISCOLL");
    const std::int32_t raider = shooter("REL_GANG_LEMOYNE_RAIDERS");
    const std::uint64_t before = shot_records.written;
    run_frames(1);

    ASSERT_EQ(settings.base_degradation.size(), 1u);
    EXPECT_EQ(settings.base_degradation[0].weapon_name, "REL_GANG_ODRISCOLL");
    std::map<std::int32_t, ShotRecord> shots;
    for (std::uint64_t n = before; n < shot_records.written; ++n) shots[shot_record_at(n).ped] = shot_record_at(n);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_TRUE(shots[odriscoll].base_degradation);
    EXPECT_EQ(shots[odriscoll].base_degradation_entry, 0);
    EXPECT_GE(shots[odriscoll].effective_degradation, 0.6f);
    EXPECT_LE(shots[odriscoll].effective_degradation, 0.9f);
    EXPECT_FALSE(shots[raider].base_degradation);
    EXPECT_EQ(shots[raider].effective_degradation, 0.0f);
}

}  // namespace
