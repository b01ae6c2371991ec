#include "engine/fight.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

#include "engine/direct_host.h"
#include "host/frame_loop.h"
#include "host/host_api.h"
#include "world/run_summary.h"
#include "world/scenario.h"
#include "world/simulation.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

namespace tuner {

namespace {

using Json = nlohmann::ordered_json;

// The plugin run on the direct host: its script's start, then its passes.
class DirectRunner : public sim::PluginRunner {
public:
    standin::World& world() override { return direct_world(); }
    void run_body(const std::function<void()>& body) override {
        reset_direct_world();
        body();
    }
    void attach(int frames) override {
        reset_direct_world();
        last_ = frames;
        DllMain(module(), DLL_PROCESS_ATTACH, nullptr);
    }
    void run_to(int frame) override {
        try {
            if (direct_frame() == 0) {
                begin_direct_run(last_);
                script_start();
            }
            while (!direct_run_over() && direct_frame() <= frame) frame_loop_step();
        } catch (const RunOver&) {
            // The run's last frame has run: the pass under way stops there.
        }
    }
    // The frames whose script part has run.
    int frame() const override { return direct_run_over() ? last_ : std::max(0, direct_frame() - 1); }
    void detach() override { DllMain(module(), DLL_PROCESS_DETACH, nullptr); }
    std::vector<std::string> errors() const override { return {}; }
    std::uint64_t natives() const override { return direct_natives(); }
    std::uint64_t waits() const override { return direct_waits(); }

private:
    static HINSTANCE module() { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x180000000ULL)); }
    int last_ = 0;
};

struct Fight {
    sim::RunOptions options;
    DirectRunner runner;
    std::optional<sim::SimulationRun> run;
    std::optional<sim::RunResult> result;
};
std::unique_ptr<Fight> fight;

// Points enough for a curve on a page: at most 1,500 of the frames.
Json curve_json(const std::vector<sim::FrameRecord>& frames) {
    Json frame = Json::array(), heat = Json::array(), cold = Json::array();
    const std::size_t step = std::max<std::size_t>(1, frames.size() / 1500);
    for (std::size_t i = 0; i < frames.size(); i += step) {
        frame.push_back(frames[i].frame);
        heat.push_back(frames[i].heat);
        cold.push_back(frames[i].cold);
    }
    return {{"frame", frame}, {"heat", heat}, {"cold", cold}};
}

}  // namespace

std::string fight_scenarios() {
    Json list = Json::array();
    for (const auto& [name, file] : sim::shipped_scenarios()) {
        const sim::Scenario s = sim::load_scenario(file);
        list.push_back({{"name", name},
                        {"description", s.description},
                        {"frames", s.frames},
                        {"seed", s.seed.value_or(sim::default_seed)}});
    }
    return list.dump();
}

std::string fight_start(std::string_view ini_text, const std::string& scenario, std::uint32_t seed, int frames) {
    fight.reset();
    // The plugin reads its INI from a file: the page's text is written to one.
    const std::filesystem::path ini = "/fight.ini";
    std::ofstream(ini, std::ios::binary).write(ini_text.data(), static_cast<std::streamsize>(ini_text.size()));
    auto next = std::make_unique<Fight>();
    next->options.scenario = sim::load_scenario(sim::resolve_scenario(scenario));
    next->options.ini = ini;
    next->options.seed = seed;
    if (frames > 0) next->options.frames = frames;
    next->run.emplace(next->options, next->runner);
    fight = std::move(next);
    return Json{{"frames", fight->run->result().frames}}.dump();
}

std::string fight_step(int frames) {
    if (!fight) return "null";
    if (!fight->result && !fight->run->run_to(fight->run->frame() + frames)) {
        fight->result = fight->run->finish();
        fight->run.reset();
    }
    return Json{{"frame", fight->result ? fight->result->frames : fight->run->frame()},
                {"done", fight->result.has_value()}}
        .dump();
}

std::string fight_result() {
    if (!fight || !fight->result) return "null";
    const sim::RunResult& r = *fight->result;
    Json shooters = Json::array();
    for (const sim::ShooterResult& s : r.shooters) {
        shooters.push_back({{"name", s.name}, {"kind", shooter_kind_of(s.is_npc)}, {"class", s.weapon_class}});
    }
    // Each shot: frame, the frame its outcome played, shooter, outcome,
    // whether it played, roll, both chances, dirt, wear, heat and cold.
    Json shots = Json::array();
    for (const sim::ShotRecord& s : r.shots) {
        shots.push_back({s.frame, s.outcome_frame, s.shooter, shot_outcome_name(s.outcome), s.finished, s.roll,
                         s.chances.crack_chance, s.chances.explosion_chance, s.dirt, s.effective_degradation, s.heat,
                         s.cold});
    }
    Json summary = Json::array();
    for (const sim::GroupSummary& g : sim::summarise(r)) {
        summary.push_back({{"kind", shooter_kind_of(g.is_npc)}, {"class", g.weapon_class}, {"shots", g.shots},
                           {"cracks", g.cracks}, {"explosions", g.explosions}, {"unfinished", g.unfinished},
                           {"weapons", g.weapons}, {"failed_weapons", g.failed_weapons},
                           {"shots_to_first_failure", g.shots_to_first_failure}});
    }
    Json errors = r.host_errors;
    for (const std::string& e : r.observer_errors) errors.push_back(e);
    return Json{{"scenario", r.scenario}, {"description", fight->options.scenario.description},
                {"frames", r.frames}, {"seed", r.seed}, {"shooters", shooters}, {"shots", shots},
                {"summary", summary}, {"curve", curve_json(r.frame_records)},
                {"world", {{"explosions", r.game_explosions}, {"falls", r.falls}, {"removals", r.weapon_removals},
                           {"banners", r.notifications}, {"natives", r.natives}, {"waits", r.waits}}},
                {"errors", errors}}
        .dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tuner
