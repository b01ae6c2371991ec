// The play log: with shot_log on, every evaluated shot becomes a row of
// Barrelburst-shots.csv, written once every 60 passes, when the storage is
// full and at unload; a file that cannot be written stops the log with one
// banner.

#include <gmock/gmock.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/rng.h"
#include "config/settings.h"
#include "host/on_screen.h"
#include "world.h"
#include "model/shot_log.h"
#include "model/shot_record.h"
#include "support/model_world.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::SizeIs;

std::string g9(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

class ShotLogTest : public test::PluginTest {
protected:
    fs::path log_file() const { return scratch_.path() / shot_log_file_name; }
    bool log_exists() const { return fs::exists(log_file()); }
    std::string log_text() const {
        std::ifstream in(log_file(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> log_lines() const {
        std::vector<std::string> lines;
        std::istringstream in(log_text());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The player holds a pistol that never cracks (too worn) nor explodes
    // (kept clean), and fires in every pass from the given one on.
    void player_fires_from(int pass) {
        start();
        test::define_test_weapons(world());
        test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.0f, 0.995f);
        world().on_frame = [pass](standin::World& w, int frame) {
            w.ped(w.player_ped).shooting = frame >= pass;
            w.weapon_of(w.player_ped).dirt = 0.0f;
        };
    }
    // Saves the INI as an editor does: new bytes, and a last-write time of its own.
    void save(const std::string& content) {
        ini(content);
        const fs::path file = scratch_.path() / "Barrelburst.ini";
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(++saves_));
    }
    int banners_started() {
        int started = 0;
        for (const standin::TextureDictionary& dictionary : world().texture_dictionaries) started += dictionary.queries;
        return started;
    }
    int saves_ = 0;
};

TEST_F(ShotLogTest, EveryShotIsARowUnderTheHeaderWrittenAtPassSixty) {
    ini("[Main]\nshot_log=1\n");
    start();
    test::define_test_weapons(world());
    test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.2f, 0.3f);
    const std::int32_t npc = world().add_armed_ped(test::repeater_weapon);
    world().weapon_of(npc).dirt = 0.75f;
    world().on_frame = [npc](standin::World& w, int frame) {
        w.ped(w.player_ped).shooting = frame == 3;
        w.ped(npc).shooting = frame == 5;
    };
    run_frames(59);
    EXPECT_FALSE(log_exists());
    run_frames(1);

    const std::vector<std::string> lines = log_lines();
    ASSERT_THAT(lines, SizeIs(3));
    EXPECT_EQ(lines[0], shot_log_header);
    EXPECT_TRUE(std::regex_match(std::string(play_log.session), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
        << play_log.session;
    const std::string session = play_log.session;
    const ShotRecord& player = shot_record_at(0);
    char hash[16];
    std::snprintf(hash, sizeof hash, "0x%08X", static_cast<unsigned>(test::pistol_weapon));
    // Firing dirties both weapons; the player is never asked the base list; a
    // crack (at the floor chance) logs its wear.
    const auto wear = [](const ShotRecord& r) { return r.outcome == ShotOutcome::crack ? g9(r.crack_wear) : ""; };
    // The last dirt and degradation each weapon was set to.
    const auto written = [this](const ShotRecord& r) {
        std::string values[2];
        for (int i = 0; i < 2; ++i) {
            for (const standin::Call* call : host().calls_of(i == 0 ? 0x812CE61DEBCAB948 : 0xA7A57E89E965D839)) {
                if (call->int_arg(0) == r.weapon_object) values[i] = g9(call->float_arg(1));
            }
        }
        return "," + values[0] + "," + values[1];
    };
    ASSERT_TRUE(player.firing_dirt_drawn);
    EXPECT_EQ(lines[1], session + ",3,256,Player,pistol," + hash + ",20,0.200000003,0.300000012,0.300000012,0," +
                            g9(player.heat) + ",0," + g9(player.kick) + ",0.00200000009,0,0.99000001," +
                            g9(player.roll) + "," + shot_outcome_name(player.outcome) + "," +
                            g9(player.firing_dirt) + "," + wear(player) + "," + written(player));
    const ShotRecord& shooter = shot_record_at(1);
    std::snprintf(hash, sizeof hash, "0x%08X", static_cast<unsigned>(test::repeater_weapon));
    EXPECT_EQ(lines[2], session + ",5," + std::to_string(npc) + ",NPC,rifle," + hash + ",20,0.75,0,0,0," +
                            g9(shooter.heat) + ",0,0," + g9(shooter.chances.crack_chance) + ",0,0.99000001," +
                            g9(shooter.roll) + "," + shot_outcome_name(shooter.outcome) + "," +
                            g9(shooter.firing_dirt) + "," + wear(shooter) + ",0x00000000" + written(shooter));
    EXPECT_EQ(shooter.pass, 5u);
}

// The draws, the question and the writes of each shot are what its natives
// show: the firing dirt written is the class's modifier times the opening
// dirt plus the increment, a crack's wear lifts degradation and dirt to the
// floors it writes, the key is the relationship group the game answered, and
// the last two columns are the last dirt and degradation set on the weapon.
TEST_F(ShotLogTest, TheDrawsAndTheQuestionOfEachShotAreTheOnesItsNativesShow) {
    ini("[Main]\nshot_log=1\nmaximum_chance_for_explosion=1\n[Dirt_Increase]\nshotgun_dirt_modifier=1.5\n"
        "[Min_Degradation_To_Explode]\nshotgun_min_degradation=0.2\n[Expo_Chance]\nshotgun_expo_chance_mod=1\n"
        "[Base_Degradation]\nREL_GANG_ODRISCOLL=0.3,0.4\n");
    start();
    test::define_test_weapons(world());
    const GameHash gang = standin::joaat("REL_GANG_ODRISCOLL");
    for (int i = 0; i < 300; ++i) {
        const std::int32_t ped = world().add_armed_ped(test::shotgun_weapon);
        world().weapon_of(ped).dirt = 0.6f;
        world().ped(ped).relationship_hash = i % 4 != 0 ? gang : 0x1234u;
    }
    // The draws of a run the same every time (about 3 % of the gang's shots crack).
    mod_rng.seed(11);
    world().on_frame = [](standin::World& w, int frame) {
        for (std::int32_t ped = w.player_ped; ped < w.player_ped + 601; ++ped) {
            if (standin::Entity* e = w.entity(ped); e != nullptr && e->is_ped) e->shooting = frame == 3;
        }
    };
    run_frames(60);

    const auto values_set = [this](std::uint64_t hash, std::int32_t object) {
        std::vector<float> values;
        for (const standin::Call* call : host().calls_of(hash)) {
            if (call->int_arg(0) == object) values.push_back(call->float_arg(1));
        }
        return values;
    };
    const std::vector<std::string> lines = log_lines();
    ASSERT_THAT(lines, SizeIs(1 + 300));
    int cracks = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> f;
        std::istringstream row(lines[i] + ",");
        for (std::string field; std::getline(row, field, ',');) f.push_back(field);
        ASSERT_THAT(f, SizeIs(24)) << lines[i];
        const std::int32_t ped = std::stoi(f[2]);
        const std::int32_t object = world().ped(ped).weapon_object;
        const float effective = std::stof(f[9]);
        const std::vector<float> dirt = values_set(0x812CE61DEBCAB948, object);
        const std::vector<float> degradation = values_set(0xA7A57E89E965D839, object);
        ASSERT_FALSE(dirt.empty());
        EXPECT_EQ(dirt[0], (std::stof(f[19]) + 0.6f) * 1.5f) << lines[i];
        const bool in_gang = world().ped(ped).relationship_hash == gang;
        char key[16];
        std::snprintf(key, sizeof key, "0x%08X", static_cast<unsigned>(world().ped(ped).relationship_hash));
        EXPECT_EQ(f[21], key);
        EXPECT_EQ(f[10], in_gang ? "1" : "0");
        EXPECT_EQ(std::stof(f[22]), dirt.back()) << lines[i];
        if (f[18] != "crack") {
            EXPECT_EQ(f[20], "");
            EXPECT_EQ(f[23], "");
            EXPECT_THAT(degradation, SizeIs(0));
            continue;
        }
        EXPECT_EQ(std::stof(f[23]), degradation.back()) << lines[i];
        ++cracks;
        const float wear = std::stof(f[20]);
        EXPECT_TRUE(wear >= 0.06f && wear < 0.21f) << lines[i];
        ASSERT_THAT(degradation, SizeIs(1));
        ASSERT_THAT(dirt, SizeIs(2));
        const float floor = wear + 0.2f;
        EXPECT_EQ(degradation[0], floor >= effective ? floor : effective) << lines[i];
        EXPECT_EQ(dirt[1], wear + 0.5f >= 0.6f ? wear + 0.5f : 0.6f) << lines[i];
    }
    EXPECT_GT(cracks, 2);
}

TEST_F(ShotLogTest, RowsAreAppendedToWhatTheFileHoldsByteForByte) {
    struct Case {
        std::string before;
        std::string joint;  // what comes between the old bytes and the first row
    };
    const std::string header = std::string(shot_log_header) + "\n";
    // A row of this version, and the headers and rows of two versions before.
    const std::string row = "2026-12-01T00:00:00Z,9,256,Player,pistol,0x020D13FF,20,0,0.5,0.5,0,0,0,0,0.002,0,0.99,"
                            "0.5,none,0.01,,,0.51,\n";
    const std::string earlier =
        "session,pass,ped,kind,class,weapon_hash,temperature,dirt,game_degradation,effective_degradation,"
        "base_degradation,heat,cold,kick,crack_chance,explosion_chance,crack_degradation_limit,roll,outcome\n"
        "2026-11-01T00:00:00Z,9,256,Player,pistol,0x020D13FF,20,0,0.5,0.5,0,0,0,0,0.002,0,0.99,0.5,none\n";
    const std::string before_writes =
        "session,pass,ped,kind,class,weapon_hash,temperature,dirt,game_degradation,effective_degradation,"
        "base_degradation,heat,cold,kick,crack_chance,explosion_chance,crack_degradation_limit,roll,outcome,"
        "firing_dirt,crack_wear,base_degradation_key\n"
        "2026-11-02T00:00:00Z,9,256,Player,pistol,0x020D13FF,20,0,0.5,0.5,0,0,0,0,0.002,0,0.99,0.5,none,0.01,,\n";
    for (const Case& c : {Case{"", header}, Case{header + row, ""}, Case{header, ""}, Case{earlier, header},
                          Case{before_writes, header}, Case{earlier + header + row + "2026-12", "\n"},
                          Case{"a cut row", "\n" + header}, Case{"x\r\n", header},
                          Case{std::string("\0", 1), "\n" + header}}) {
        ini("[Main]\nshot_log=1\n");
        scratch_.write(shot_log_file_name, c.before);
        player_fires_from(1);
        run_frames(60);
        const std::string text = log_text();
        ASSERT_GE(text.size(), c.before.size() + c.joint.size());
        EXPECT_EQ(text.substr(0, c.before.size() + c.joint.size()), c.before + c.joint);
        const std::string rows = text.substr(c.before.size() + c.joint.size());
        EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 59) << "before: " << c.before;
        EXPECT_EQ(rows.rfind(play_log.session, 0), 0u);
        session_.reset();
        fs::remove(log_file());
    }
}

// The kernel's own account of what was done to the log file: opened,
// read, written, closed.
class FileWatch {
public:
    explicit FileWatch(const fs::path& folder)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          watch_(inotify_add_watch(fd_, folder.c_str(),
                                   IN_CREATE | IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE)) {}
    ~FileWatch() { close(fd_); }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;
    bool watching() const { return fd_ >= 0 && watch_ >= 0; }
    // The events on the log file since the last call.
    int events() {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && std::string(event->name) == shot_log_file_name) ++count;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int fd_;
    int watch_;
};

TEST_F(ShotLogTest, TheFileIsTouchedOnlyAtEverySixtiethPassAndAtUnload) {
    ini("[Main]\nshot_log=1\n");
    player_fires_from(1);
    FileWatch watch(scratch_.path());
    ASSERT_TRUE(watch.watching());
    std::vector<int> touched;
    for (int pass = 1; pass <= 130; ++pass) {
        run_frames(1);
        if (watch.events() > 0) touched.push_back(pass);
    }
    EXPECT_THAT(touched, ElementsAre(60, 120));
    // Passes 120 to 130 are written when the plugin is unloaded.
    session_->detach();
    EXPECT_GT(watch.events(), 0);
    const std::vector<std::string> lines = log_lines();
    ASSERT_THAT(lines, SizeIs(1 + 130));
    EXPECT_EQ(lines.back().substr(0, lines.back().find(',', 21)), std::string(play_log.session) + ",130");
}

TEST_F(ShotLogTest, ACrowdedPassLosesNoRow) {
    ini("[Main]\nshot_log=1\n");
    start();
    test::define_test_weapons(world());
    test::arm_with(world(), world().player_ped, test::pistol_weapon, 0.0f, 0.995f);
    for (int i = 0; i < 1023; ++i) world().add_armed_ped(test::shotgun_weapon);
    world().on_frame = [](standin::World& w, int frame) {
        for (std::int32_t ped = w.player_ped; ped < w.player_ped + 2 * 1024; ++ped) {
            if (standin::Entity* e = w.entity(ped); e != nullptr && e->is_ped) e->shooting = frame == 7;
        }
    };
    run_frames(7);
    // Pass 7 filled the storage many times over: written as it filled.
    EXPECT_TRUE(log_exists());
    session_->detach();
    const std::vector<std::string> lines = log_lines();
    ASSERT_THAT(lines, SizeIs(1 + 1024));
    std::set<std::string> peds;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::istringstream row(lines[i] + ",");
        for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
        ASSERT_THAT(fields, SizeIs(shot_log_columns.size())) << lines[i];
        EXPECT_EQ(fields[1], "7");
        peds.insert(fields[2]);
    }
    EXPECT_THAT(peds, SizeIs(1024));
}

TEST_F(ShotLogTest, AFileThatCannotBeWrittenStopsTheLogWithOneBanner) {
    ini("[Main]\nshot_log=1\n");
    fs::create_directory(log_file());
    player_fires_from(1);
    run_frames(59);
    EXPECT_EQ(banners_started(), 0);
    run_frames(1);
    EXPECT_EQ(std::string(on_screen.notification_text), shot_log_failure_text);
    EXPECT_EQ(on_screen.notification_frames_left, notification_frames - 1);
    EXPECT_TRUE(play_log.stopped);
    // No retry: the player goes on firing, nothing more is formatted or tried.
    run_frames(300);
    EXPECT_EQ(banners_started(), 1);
    EXPECT_EQ(play_log.pending_size, 0u);
    EXPECT_TRUE(fs::is_directory(log_file()));
}

TEST_F(ShotLogTest, WithTheBannerOffAFailedLogShowsNothing) {
    ini("[Main]\nshot_log=1\nenable_native_UI=0\n");
    fs::create_directory(log_file());
    player_fires_from(1);
    run_frames(120);
    EXPECT_TRUE(play_log.stopped);
    EXPECT_EQ(banners_started(), 0);
    EXPECT_EQ(on_screen.notification_frames_left, 0);
}

TEST_F(ShotLogTest, OffMakesNoFileAndFormatsNothing) {
    ini("[Main]\n");
    player_fires_from(1);
    FileWatch watch(scratch_.path());
    run_frames(130);
    session_->detach();
    EXPECT_EQ(watch.events(), 0);
    EXPECT_FALSE(log_exists());
    EXPECT_EQ(play_log.pending_size, 0u);
    EXPECT_EQ(banners_started(), 0);
}

TEST_F(ShotLogTest, AtItsSizeLimitTheLogStopsWithWholeRows) {
    ini("[Main]\nshot_log=1\n");
    {
        std::ofstream out(log_file(), std::ios::binary);
        out << "earlier\n";
    }
    // Room for a few rows only.
    fs::resize_file(log_file(), shot_log_size_limit - 1000);
    player_fires_from(1);
    run_frames(180);
    EXPECT_TRUE(play_log.stopped);
    EXPECT_EQ(banners_started(), 0);
    const std::uintmax_t size = fs::file_size(log_file());
    EXPECT_LE(size, shot_log_size_limit);
    EXPECT_GT(size, shot_log_size_limit - 1000 + 1 + 500);
    std::ifstream in(log_file(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(shot_log_size_limit - 1000));
    std::string tail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A line break ends what was there, and rows of this version start under their header.
    EXPECT_EQ(tail.rfind("\n" + std::string(shot_log_header) + "\n", 0), 0u);
    EXPECT_EQ(tail.back(), '\n');
    EXPECT_EQ(tail.find(std::string(",1,256,Player,pistol,")),
              std::string(shot_log_header).size() + 2 + std::string(play_log.session).size());
}

TEST_F(ShotLogTest, AReloadTurnsTheLogOnWithTheNextShotAndOffWithWhatIsPending) {
    ini("[Main]\nreload_when_changed=1\n");
    player_fires_from(1);
    run_frames(10);
    save("[Main]\nreload_when_changed=1\nshot_log=1\n");
    // Seen at the look of pass 60, read at pass 120: logged from pass 120's
    // shot on, first written at pass 180.
    run_frames(169);
    EXPECT_FALSE(log_exists());
    run_frames(1);
    std::vector<std::string> lines = log_lines();
    ASSERT_THAT(lines, SizeIs(1 + 60));
    // The reload began the session the rows carry.
    const std::string reloaded_session = play_log.session;
    EXPECT_EQ(lines[1].substr(0, lines[1].find(',', reloaded_session.size() + 1)), reloaded_session + ",120");

    save("[Main]\nreload_when_changed=1\nshot_log=0\n");
    // Read at pass 300, after pass 240 wrote its rows as usual: the rows of
    // passes 240 to 299 are written then.
    run_frames(119);
    EXPECT_THAT(log_lines(), SizeIs(1 + 120));
    run_frames(1);
    lines = log_lines();
    ASSERT_THAT(lines, SizeIs(1 + 180));
    // Written before the second reload's session began.
    EXPECT_EQ(lines.back().substr(0, lines.back().find(',', reloaded_session.size() + 1)), reloaded_session + ",299");
    EXPECT_NE(std::string(play_log.session), reloaded_session);
    const std::uintmax_t size = fs::file_size(log_file());
    run_frames(200);
    session_->detach();
    EXPECT_EQ(fs::file_size(log_file()), size);
}

}  // namespace
