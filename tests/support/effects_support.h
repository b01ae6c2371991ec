#pragma once
// Operations of the outcome and recoil code run directly as the script body,
// with the settings loaded from a scratch Barrelburst.ini.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_text.h"
#include "support/test_support.h"
#include "world.h"

namespace test {

class ScriptBodyTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        host().reset();
    }
    // Writes the INI and loads every setting from it.
    void load(const std::string& content = "") {
        ini(content);
        load_settings();
    }
    // Runs the body as the script; the frames it took.
    int run(std::function<void()> body) { return host().run_script_body(std::move(body)); }
    std::vector<std::string> lines() const { return lines_from(0); }
    // Log lines without the frame number in front.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (const std::string& line : lines()) out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
};

inline std::string hex(GameHash hash) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", hash);
    return buffer;
}
inline std::string hash_of(const char* text) { return hex(standin::joaat(text)); }
inline std::string float_text(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

// The calls of one one-shot effect start with its dictionary already loaded.
inline std::vector<std::string> effect_calls(const char* dictionary, const char* effect, std::int32_t entity,
                                             float scale) {
    const std::string h = hash_of(dictionary);
    const std::string d = std::string("\"") + dictionary + "\"";
    return {"MISC::GET_HASH_KEY(" + d + ") -> " + h,
            "STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
            "STREAMING::HAS_NAMED_PTFX_ASSET_LOADED(" + h + ") -> 1",
            "GRAPHICS::USE_PARTICLE_FX_ASSET(" + d + ")",
            "GRAPHICS::START_NETWORKED_PARTICLE_FX_NON_LOOPED_ON_ENTITY(\"" + std::string(effect) + "\", " +
                std::to_string(entity) + ", 0, 0, 0, -90, 0, 0, " + float_text(scale) + ", 0, 0, 0) -> 1"};
}

inline void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

}  // namespace test
