#include "support/test_support.h"

#include <unistd.h>

#include <fstream>
#include <random>

#include "config/settings.h"
#include "effects/particles.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "recoil/recoil.h"

namespace test {

void reset_plugin_globals() {
    settings = ModSettings{};
    class_tuning = ClassTuning{};
    shooter_tuning = ShooterTuning{};
    notification_text[0] = 0;
    notification_frames_left = 0;
    debug_overlay_text[0] = 0;
    debug_overlay_frames_left = 0;
    barrel_heat = 0.0f;
    barrel_cold = 0.0f;
    last_player_weapon_object = 0;
    heat_smoke_on = false;
    upkeep_counter = 0;
    heat_smoke_handle = 0;
    kick_amount = 0.0f;
    kick_weapon_class.clear();
}

ScratchDirectory::ScratchDirectory() {
    static std::mt19937_64 names{std::random_device{}()};
    previous_ = std::filesystem::current_path();
    path_ = std::filesystem::temp_directory_path() / ("barrelburst-test-" + std::to_string(getpid()) + "-" +
                                                      std::to_string(names()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDirectory::write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
}

void PluginTest::SetUp() { reset_plugin_globals(); }

void PluginTest::start() {
    session_.reset();  // the old session detaches before the new one attaches
    session_ = std::make_unique<standin::PluginSession>();
}

void PluginTest::TearDown() {
    session_.reset();
    for (const std::string& error : host().errors()) ADD_FAILURE() << "host contract error: " << error;
}

std::vector<std::string> PluginTest::lines_from(int frame) const {
    std::vector<std::string> lines;
    for (const standin::Call& c : standin::Host::get().log()) {
        if (c.frame >= frame) lines.push_back(standin::format_call(c));
    }
    return lines;
}

std::vector<std::string> PluginTest::lines_in(int frame) const {
    std::vector<std::string> lines;
    for (const standin::Call& c : standin::Host::get().log()) {
        if (c.frame == frame) lines.push_back(standin::format_call(c));
    }
    return lines;
}

}  // namespace test
