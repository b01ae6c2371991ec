#pragma once
// Follows the plugin through the stand-in host's traffic, without a hook in
// the plugin: it sees every native with the world's answer and turns the
// traffic into shot and frame records.
//
// A shot is a ped evaluation in which IS_PED_SHOOTING answered yes: the
// opening dirt is the _GET_WEAPON_DIRT answer that follows, the game's
// degradation the GET_WEAPON_DEGRADATION answer that opens the evaluation.
// The evaluation's own natives (the base-degradation lookup, the player-state
// queries, the firing dirt) come before its roll; the first other native ends
// it. At that point the chances are the plugin's own shot_chances() with the
// barrel heat and cold as they stand, and the roll is the plugin's last draw,
// replayed from a copy of ModRng taken when the shot opened. An outcome
// starts with the blast at the weapon (GET_ENTITY_COORDS of the weapon
// object) and shows itself in the weapon's new degradation: 1.0 for an
// explosion, less for a crack.

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "common/rng.h"
#include "config/settings.h"
#include "simulation.h"
#include "world.h"
#include "world_driver.h"

namespace sim {

class ShotObserver {
public:
    using ShotCallback = std::function<void(const ShotRecord&)>;

    // classes: the plugin's class of every weapon hash of the scenario.
    ShotObserver(standin::World& world, const WorldDriver& driver, RunResult& result,
                 std::unordered_map<GameHash, WeaponClass> classes, bool keep_frame_records, ShotCallback on_shot);
    ShotObserver(const ShotObserver&) = delete;
    ShotObserver& operator=(const ShotObserver&) = delete;

    // Takes the world's answer_override to see every native with its answer.
    void install();
    // Start of a frame, before the world moves: closes the last frame.
    void begin_frame(int frame);
    // After the last frame.
    void finish(int last_frame);

private:
    enum class Stage { idle, opened, evaluating, awaiting_outcome };

    void observe(std::uint64_t hash, const std::uint64_t* args, const std::uint64_t* result);
    void open_shot(float dirt);
    void end_evaluation(std::uint64_t hash, const std::uint64_t* args);
    void finish_shot(ShotOutcome outcome, bool finished);
    void cross_check_debug_line();
    void record_frame(int frame);
    void error(const std::string& message);

    standin::World& world_;
    const WorldDriver& driver_;
    RunResult& result_;
    std::unordered_map<GameHash, WeaponClass> classes_;
    bool keep_frame_records_;
    ShotCallback on_shot_;
    bool answering_ = false;

    // The ped whose weapon the plugin is reading.
    std::int32_t reading_ped_ = 0;
    GameHash reading_weapon_ = 0;
    std::int32_t reading_object_ = 0;
    float reading_temperature_ = 0.0f;
    bool reading_shooting_ = false;

    // The shot being evaluated.
    Stage stage_ = Stage::idle;
    ShotRecord shot_;
    ModRng rng_at_open_;
    GameHash relationship_ = 0;
    const BaseDegradationEntry* base_entry_ = nullptr;

    std::unordered_map<std::int32_t, int> shots_by_weapon_;
    FrameRecord frame_;  // counts of the frame under way
    bool frame_found_dictionary_missing_ = false;
    bool frame_kicked_ = false;
    float last_pitch_read_ = 0.0f;
};

}  // namespace sim
