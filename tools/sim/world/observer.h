#pragma once
// Follows a run through what the plugin and the world keep, after each frame:
// the plugin's new shot records give every shot's figures and the outcome its
// roll selected; the world's records show what each failure did (the blast at
// the shooter, the wear of the weapon, for an explosion the weapon taken away)
// and in which frame it played: a failure whose effects wait for their
// dictionary plays frames later, and nothing else runs meanwhile.
//
// Every recorded failure must show in the world, and everything the world
// shows must come from a recorded failure; what does not agree is an error
// naming the frame and the shooter.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "world.h"
#include "world/simulation.h"
#include "world/world_driver.h"

namespace sim {

class ShotObserver {
public:
    using ShotCallback = std::function<void(const ShotRecord&)>;

    ShotObserver(standin::World& world, const WorldDriver& driver, RunResult& result, bool keep_frame_records,
                 bool keep_texts, ShotCallback on_shot);

    // After the script's part of a frame.
    void end_frame(int frame);
    // After the last frame: a failure still waiting for its effects stays unfinished.
    void finish(int last_frame);

    // Called with the frame in which the plugin read its settings again.
    std::function<void(int)> on_reload;

private:
    void take_shot(const ::ShotRecord& record, int frame, bool last_of_frame);
    // Finds the failure's blast, wear and removal among the world's new
    // records; false when the world shows no blast yet.
    bool played(const ShotRecord& shot, int frame);
    void still_waiting(int frame);
    void unexplained_world_records(int frame);
    void done(ShotRecord shot, int frame, bool finished);
    void record_frame(int frame);
    std::string who(std::int32_t ped) const;
    void error(int frame, const std::string& message);

    standin::World& world_;
    const WorldDriver& driver_;
    RunResult& result_;
    bool keep_frame_records_;
    bool keep_texts_;
    ShotCallback on_shot_;

    std::uint64_t records_seen_ = 0;
    int settings_loads_seen_ = 1;
    std::optional<ShotRecord> waiting_;  // a failure whose effects are still loading
    std::size_t blasts_seen_ = 0;
    std::size_t wear_seen_ = 0;
    std::size_t removals_seen_ = 0;
    std::unordered_map<std::int32_t, int> shots_by_weapon_;
    FrameRecord frame_;  // counts of the frame under way
};

}  // namespace sim
