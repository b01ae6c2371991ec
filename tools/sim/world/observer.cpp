#include "world/observer.h"

#include <utility>

#include "config/settings_reload.h"
#include "model/barrel.h"
#include "model/shot_record.h"

namespace sim {

ShotObserver::ShotObserver(standin::World& world, const WorldDriver& driver, RunResult& result,
                           bool keep_frame_records, bool keep_texts, ShotCallback on_shot)
    : world_(world),
      driver_(driver),
      result_(result),
      keep_frame_records_(keep_frame_records),
      keep_texts_(keep_texts),
      on_shot_(std::move(on_shot)) {}

void ShotObserver::error(int frame, const std::string& message) {
    result_.observer_errors.push_back("frame " + std::to_string(frame) + ": " + message);
}

std::string ShotObserver::who(std::int32_t ped) const {
    const std::size_t index = driver_.index_of(ped);
    if (index == WorldDriver::no_shooter) return "ped " + std::to_string(ped);
    const Shooter& shooter = driver_.shooters()[index];
    return shooter.name + " (" + shooter_kind_of(shooter.is_npc) + ")";
}

void ShotObserver::end_frame(int frame) {
    if (waiting_ && played(*waiting_, frame)) {
        done(*std::exchange(waiting_, std::nullopt), frame, true);
    }

    const std::uint64_t written = shot_records.written;
    if (written - records_seen_ > static_cast<std::uint64_t>(shot_record_capacity)) {
        error(frame, std::to_string(written - records_seen_) + " shots evaluated, more than the plugin's " +
                         std::to_string(shot_record_capacity) + " shot records keep: the oldest were lost");
        records_seen_ = written - shot_record_capacity;
    }
    if (waiting_ && records_seen_ < written) {
        error(frame, who(waiting_->ped) + ": a recorded " + shot_outcome_name(waiting_->outcome) +
                         " that the world never showed, and the plugin went on to the next shot");
        done(*std::exchange(waiting_, std::nullopt), frame, false);
    }
    for (; records_seen_ < written; ++records_seen_) {
        take_shot(shot_record_at(records_seen_), frame, records_seen_ + 1 == written);
    }

    if (waiting_) still_waiting(frame);
    unexplained_world_records(frame);
    for (; settings_loads_seen_ < settings_reload.settings_loads; ++settings_loads_seen_) {
        if (on_reload) on_reload(frame);
    }
    record_frame(frame);
}

void ShotObserver::finish(int last_frame) {
    if (waiting_) done(*std::exchange(waiting_, std::nullopt), last_frame, false);
}

void ShotObserver::take_shot(const ::ShotRecord& record, int frame, bool last_of_frame) {
    ShotRecord shot;
    static_cast<::ShotRecord&>(shot) = record;
    shot.frame = frame;
    shot.shooter = driver_.index_of(record.ped);
    if (shot.shooter == WorldDriver::no_shooter) {
        error(frame, "a shot of ped " + std::to_string(record.ped) + ", which the scenario does not have");
        return;
    }
    shot.weapon_shot = ++shots_by_weapon_[record.weapon_object];
    ++frame_.shots;

    if (shot.outcome == ShotOutcome::none || played(shot, frame)) {
        done(shot, frame, true);
    } else if (last_of_frame) {
        waiting_ = shot;
    } else {
        error(frame, who(shot.ped) + ": a recorded " + shot_outcome_name(shot.outcome) +
                         " that the world does not show, though the plugin went on to the next shot");
        done(shot, frame, false);
    }
}

// The plugin plays one outcome at a time, in the order of its records: the
// blast ends with the shooter's blood pools, then the weapon's wear, then for
// an explosion its removal, all in one frame.
bool ShotObserver::played(const ShotRecord& shot, int frame) {
    if (blasts_seen_ == world_.blood_pools.size()) return false;
    const std::string shooter = who(shot.ped);
    const std::string failure = std::string("a recorded ") + shot_outcome_name(shot.outcome);
    const standin::BloodPool& blast = world_.blood_pools[blasts_seen_];
    if (blast.ped != shot.ped) {
        error(frame, shooter + ": " + failure + ", but the next blast in the world is at " + who(blast.ped));
        return false;
    }
    ++blasts_seen_;

    const bool explosion = shot.outcome == ShotOutcome::explosion;
    if (wear_seen_ == world_.wear.size() || world_.wear[wear_seen_].object != shot.weapon_object) {
        error(frame, shooter + ": " + failure + " blasted, but its weapon took no wear");
    } else {
        const standin::Wear& wear = world_.wear[wear_seen_++];
        if (explosion != (wear.degradation >= 1.0f)) {
            error(frame, shooter + ": " + failure + ", but the weapon's wear (degradation " +
                             std::to_string(wear.degradation) + ") is " +
                             (explosion ? "a crack's" : "an explosion's"));
        }
    }

    const bool removal_next = removals_seen_ < world_.removals.size() &&
                              world_.removals[removals_seen_].item == shot.weapon_hash &&
                              world_.removals[removals_seen_].inventory_id == world_.ped(shot.ped).inventory_id;
    if (explosion && !removal_next) error(frame, shooter + ": " + failure + ", but its weapon was not taken away");
    if (explosion && removal_next) ++removals_seen_;
    return true;
}

// A failure not yet played is waiting for its effects: the script stood still
// in this frame for a dictionary that was not loaded.
void ShotObserver::still_waiting(int frame) {
    const std::vector<int>& unloaded = world_.ptfx_unloaded_frames;
    if (!unloaded.empty() && unloaded.back() == frame) return;
    error(frame, who(waiting_->ped) + ": a recorded " + shot_outcome_name(waiting_->outcome) +
                     " that the world does not show, and no effect was loading");
    done(*std::exchange(waiting_, std::nullopt), frame, false);
}

void ShotObserver::unexplained_world_records(int frame) {
    for (; blasts_seen_ < world_.blood_pools.size(); ++blasts_seen_) {
        error(frame, who(world_.blood_pools[blasts_seen_].ped) + ": a blast at the weapon that no recorded failure "
                                                                 "explains");
    }
    for (; wear_seen_ < world_.wear.size(); ++wear_seen_) {
        const std::int32_t holder = world_.object(world_.wear[wear_seen_].object).held_by;
        error(frame, who(holder) + ": wear of the weapon that no recorded failure explains");
    }
    for (; removals_seen_ < world_.removals.size(); ++removals_seen_) {
        error(frame, "inventory " + std::to_string(world_.removals[removals_seen_].inventory_id) +
                         ": a weapon taken away that no recorded explosion explains");
    }
}

void ShotObserver::done(ShotRecord shot, int frame, bool finished) {
    shot.finished = finished;
    shot.outcome_frame = frame;
    if (finished && shot.outcome == ShotOutcome::crack) ++frame_.cracks;
    if (finished && shot.outcome == ShotOutcome::explosion) ++frame_.explosions;
    result_.shots.push_back(shot);
    if (on_shot_) on_shot_(result_.shots.back());
}

void ShotObserver::record_frame(int frame) {
    if (keep_texts_) {
        for (const standin::DrawnText& t : world_.texts) {
            result_.texts.push_back({t.frame, t.x, t.y, t.scale_x, t.centred, t.text});
        }
    }
    if (keep_frame_records_) {
        frame_.frame = frame;
        frame_.temperature = world_.temperature;
        frame_.heat = barrel.barrel_heat;
        frame_.cold = barrel.barrel_cold;
        frame_.heat_smoke = barrel.heat_smoke_on;
        const standin::Entity& player = world_.ped(world_.player_ped);
        frame_.in_water = player.in_water;
        if (player.has_weapon) {
            const standin::Entity& weapon = world_.object(player.weapon_object);
            frame_.player_dirt = weapon.dirt;
            frame_.player_degradation = weapon.degradation;
        }
        frame_.camera_pitch = world_.camera_pitch;
        result_.frame_records.push_back(frame_);
    }
    frame_ = FrameRecord{};
}

}  // namespace sim
