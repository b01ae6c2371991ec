#include "observer.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/numeric.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "recoil/recoil.h"

namespace sim {

namespace {

namespace native {
constexpr std::uint64_t player_ped_id = 0x096275889B8E0EE0;
constexpr std::uint64_t get_entity_coords = 0xA86D5F069399F44D;
constexpr std::uint64_t is_ped_shooting = 0x34616828CD07F1A1;
constexpr std::uint64_t get_ped_relationship_group_hash = 0x7DBDD04862D95F04;
constexpr std::uint64_t is_ped_in_cover = 0x60DFD0691A170B88;
constexpr std::uint64_t get_ped_crouch_movement = 0xD5FE956C70FF370B;
constexpr std::uint64_t get_ped_combat_movement = 0xDEA92412FCAEB3F5;
constexpr std::uint64_t get_current_ped_weapon = 0x3A87E44BB9A01D54;
constexpr std::uint64_t get_ped_weapon_object = 0x6CA484C9A7377E4F;
constexpr std::uint64_t get_weapon_dirt = 0x810E8AE9AFEA7E54;
constexpr std::uint64_t set_weapon_dirt = 0x812CE61DEBCAB948;
constexpr std::uint64_t get_weapon_degradation = 0x0D78E1097F89E637;
constexpr std::uint64_t set_weapon_degradation = 0xA7A57E89E965D839;
constexpr std::uint64_t get_temperature_at_coords = 0xB98B78C3768AF6E0;
constexpr std::uint64_t get_hash_key = 0xFD340785ADF8CFB7;
constexpr std::uint64_t has_named_ptfx_asset_loaded = 0x65BB72F29138F5D6;
constexpr std::uint64_t has_streamed_texture_dict_loaded = 0x54D6900929CCF162;
constexpr std::uint64_t get_gameplay_cam_relative_pitch = 0x99AADEBBA803F827;
constexpr std::uint64_t set_gameplay_cam_relative_pitch = 0xFB760AF4F537B8BF;
}  // namespace native

std::int32_t as_int(std::uint64_t slot) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(slot)); }
float as_float(std::uint64_t slot) { return std::bit_cast<float>(static_cast<std::uint32_t>(slot)); }

// Natives an evaluation calls between its degradation read and its roll.
bool before_roll(std::uint64_t hash, bool is_npc) {
    if (hash == native::set_weapon_dirt) return true;
    if (is_npc) return hash == native::get_ped_relationship_group_hash || hash == native::get_hash_key;
    return hash == native::player_ped_id || hash == native::is_ped_in_cover ||
           hash == native::get_ped_crouch_movement || hash == native::get_ped_combat_movement;
}

// The plugin's own draw of (a, b) from a given generator state; ModRng is
// left as it was.
float replay_draw(const ModRng& state, float a, float b) {
    ModRng saved = mod_rng;
    mod_rng = state;
    const float value = uniform(a, b);
    mod_rng = saved;
    return value;
}

constexpr int most_draws_per_shot = 16;

}  // namespace

ShotObserver::ShotObserver(standin::World& world, const WorldDriver& driver, RunResult& result,
                           std::unordered_map<GameHash, WeaponClass> classes, bool keep_frame_records,
                           ShotCallback on_shot)
    : world_(world),
      driver_(driver),
      result_(result),
      classes_(std::move(classes)),
      keep_frame_records_(keep_frame_records),
      on_shot_(std::move(on_shot)) {}

void ShotObserver::install() {
    world_.answer_override = [this](std::uint64_t hash, const std::uint64_t* args, int count,
                                    std::uint64_t* answer) {
        // Asked again from inside: let the world answer.
        if (answering_) return false;
        answering_ = true;
        world_.call(hash, args, count, answer);
        answering_ = false;
        observe(hash, args, answer);
        return true;
    };
}

void ShotObserver::error(const std::string& message) {
    result_.observer_errors.push_back("frame " + std::to_string(world_.frame()) + ": " + message);
}

void ShotObserver::observe(std::uint64_t hash, const std::uint64_t* a, const std::uint64_t* r) {
    if (stage_ == Stage::evaluating) {
        if (before_roll(hash, shot_.is_npc)) {
            if (hash == native::get_ped_relationship_group_hash) {
                relationship_ = static_cast<GameHash>(r[0]);
            } else if (hash == native::get_hash_key && base_entry_ == nullptr &&
                       static_cast<GameHash>(r[0]) == relationship_) {
                const char* name = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(a[0]));
                for (const BaseDegradationEntry& entry : settings.base_degradation) {
                    if (entry.weapon_name.c_str() == name) base_entry_ = &entry;
                }
                if (base_entry_ == nullptr) error("a matching base-degradation name that is in no entry");
            }
            return;
        }
        end_evaluation(hash, a);
    }

    switch (hash) {
        case native::get_current_ped_weapon:
            if (stage_ == Stage::awaiting_outcome) {
                error("a new evaluation while a shot's outcome was under way");
                finish_shot(ShotOutcome::none, false);
            }
            reading_ped_ = as_int(a[0]);
            reading_weapon_ = 0;
            if (const auto* out = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(a[1]))) {
                reading_weapon_ = *out;
            }
            reading_object_ = 0;
            reading_shooting_ = false;
            break;
        case native::get_ped_weapon_object:
            if (as_int(a[0]) == reading_ped_) reading_object_ = as_int(r[0]);
            break;
        case native::get_temperature_at_coords:
            reading_temperature_ = as_float(r[0]);
            break;
        case native::is_ped_shooting:
            if (as_int(a[0]) == reading_ped_) reading_shooting_ = static_cast<std::uint32_t>(r[0]) != 0;
            break;
        case native::get_weapon_dirt:
            if (reading_shooting_ && as_int(a[0]) == reading_object_ && stage_ == Stage::idle) {
                open_shot(as_float(r[0]));
            }
            break;
        case native::get_weapon_degradation:
            if (stage_ == Stage::opened && as_int(a[0]) == shot_.weapon_object) {
                shot_.game_degradation = as_float(r[0]);
                stage_ = Stage::evaluating;
            }
            break;
        case native::set_weapon_degradation:
            if (stage_ == Stage::awaiting_outcome && as_int(a[0]) == shot_.weapon_object) {
                finish_shot(as_float(a[1]) >= 1.0f ? ShotOutcome::explosion : ShotOutcome::crack, true);
            }
            break;
        case native::has_named_ptfx_asset_loaded:
            if (static_cast<std::uint32_t>(r[0]) == 0) frame_found_dictionary_missing_ = true;
            break;
        case native::has_streamed_texture_dict_loaded:
            ++result_.notifications;
            break;
        case native::get_gameplay_cam_relative_pitch:
            last_pitch_read_ = as_float(r[0]);
            break;
        case native::set_gameplay_cam_relative_pitch: {
            const float pitch = as_float(a[0]);
            ++result_.pitch_sets;
            result_.camera_climb += pitch - last_pitch_read_;
            if (pitch > result_.highest_pitch) result_.highest_pitch = pitch;
            frame_kicked_ = true;
            break;
        }
        default:
            break;
    }
}

void ShotObserver::open_shot(float dirt) {
    shot_ = ShotRecord{};
    shot_.frame = world_.frame();
    const std::size_t shooter = driver_.index_of(reading_ped_);
    if (shooter == WorldDriver::no_shooter) {
        error("a shot of ped " + std::to_string(reading_ped_) + ", which the scenario does not have");
        return;
    }
    const auto found = classes_.find(reading_weapon_);
    if (found == classes_.end()) {
        error("a shot with a weapon the scenario does not have");
        return;
    }
    shot_.shooter = shooter;
    shot_.is_npc = driver_.shooters()[shooter].is_npc;
    shot_.weapon_class = found->second;
    shot_.weapon_object = reading_object_;
    shot_.weapon_shot = ++shots_by_weapon_[reading_object_];
    shot_.temperature = reading_temperature_;
    shot_.dirt = clamp(dirt, 0.0f, 1.0f);
    rng_at_open_ = mod_rng;
    relationship_ = 0;
    base_entry_ = nullptr;
    stage_ = Stage::opened;
    ++frame_.shots;
}

void ShotObserver::end_evaluation(std::uint64_t hash, const std::uint64_t* a) {
    shot_.base_degradation = base_entry_ != nullptr;
    // The base degradation is the first draw of the evaluation.
    shot_.effective_degradation = base_entry_ != nullptr
                                      ? replay_draw(rng_at_open_, base_entry_->low, base_entry_->high)
                                      : clamp(shot_.game_degradation, 0.0f, 1.0f);
    shot_.heat = barrel_heat;
    shot_.cold = barrel_cold;
    shot_.chances = shot_chances(shot_.weapon_class, shot_.dirt, shot_.effective_degradation);
    if (!shot_.is_npc && settings.enable_recoil) shot_.kick = kick_amount;

    // The roll is the evaluation's last draw.
    ModRng probe = rng_at_open_;
    int draws = 0;
    while (!(probe == mod_rng) && draws < most_draws_per_shot) {
        probe.discard(1);
        ++draws;
    }
    if (draws == 0 || !(probe == mod_rng)) {
        error("a shot whose roll could not be found among the draws");
    } else {
        probe = rng_at_open_;
        probe.discard(static_cast<unsigned long long>(draws - 1));
        shot_.roll = replay_draw(probe, 0.0f, 1.0f);
    }
    if (settings.debug_mode) cross_check_debug_line();

    if (hash == native::get_entity_coords && as_int(a[0]) == shot_.weapon_object) {
        stage_ = Stage::awaiting_outcome;
    } else {
        finish_shot(ShotOutcome::none, true);
    }
}

// With the debug overlay on, the plugin's own line of the shot must agree
// with what the tool worked out, to its three decimals.
void ShotObserver::cross_check_debug_line() {
    float roll = 0.0f;
    float dirt = 0.0f;
    float degradation = 0.0f;
    float explosion = 0.0f;
    float crack = 0.0f;
    const char* text = debug_overlay_text;
    const char* after_class = text[0] == '[' ? std::strchr(text, ']') : nullptr;
    if (after_class == nullptr ||
        std::sscanf(after_class, "] Roll: %f\nDirt: %f | Degradation: %f\nExp: %f | Crack: %f", &roll, &dirt,
                    &degradation, &explosion, &crack) != 5) {
        error("the shot's debug line does not read as one");
        return;
    }
    ++result_.debug_lines_compared;
    const auto agrees = [](float shown, float worked_out) {
        return std::fabs(static_cast<double>(shown) - static_cast<double>(worked_out)) <= 0.0005 + 1e-6;
    };
    if (!agrees(roll, shot_.roll) || !agrees(dirt, shot_.dirt) || !agrees(degradation, shot_.effective_degradation) ||
        !agrees(explosion, shot_.chances.explosion_chance) || !agrees(crack, shot_.chances.crack_chance)) {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer,
                      "the debug line shows roll %.3f dirt %.3f degradation %.3f explosion %.3f crack %.3f, the "
                      "tool worked out %.4f %.4f %.4f %.4f %.4f",
                      static_cast<double>(roll), static_cast<double>(dirt), static_cast<double>(degradation),
                      static_cast<double>(explosion), static_cast<double>(crack), static_cast<double>(shot_.roll),
                      static_cast<double>(shot_.dirt), static_cast<double>(shot_.effective_degradation),
                      static_cast<double>(shot_.chances.explosion_chance),
                      static_cast<double>(shot_.chances.crack_chance));
        error(buffer);
    }
}

void ShotObserver::finish_shot(ShotOutcome outcome, bool finished) {
    shot_.outcome = outcome;
    shot_.finished = finished;
    // A shot without an outcome ends in its own frame, even when only the
    // next frame showed that nothing followed.
    shot_.outcome_frame = outcome == ShotOutcome::none && finished ? shot_.frame : world_.frame();
    if (outcome == ShotOutcome::crack) ++frame_.cracks;
    if (outcome == ShotOutcome::explosion) ++frame_.explosions;
    stage_ = Stage::idle;
    result_.shots.push_back(shot_);
    if (on_shot_) on_shot_(result_.shots.back());
}

void ShotObserver::record_frame(int frame) {
    if (frame_found_dictionary_missing_) ++result_.frames_waiting_for_effects;
    if (frame_kicked_) ++result_.kick_frames;
    if (keep_frame_records_) {
        frame_.frame = frame;
        frame_.temperature = world_.temperature;
        frame_.heat = barrel_heat;
        frame_.cold = barrel_cold;
        frame_.heat_smoke = heat_smoke_on;
        standin::Entity& player = world_.ped(world_.player_ped);
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
    frame_found_dictionary_missing_ = false;
    frame_kicked_ = false;
}

void ShotObserver::begin_frame(int frame) {
    // An evaluation that no native followed in its frame had no outcome.
    if (stage_ == Stage::evaluating) end_evaluation(0, nullptr);
    if (stage_ == Stage::opened) {
        error("a shot whose evaluation did not start");
        stage_ = Stage::idle;
    }
    if (frame > 1) record_frame(frame - 1);
}

void ShotObserver::finish(int last_frame) {
    if (stage_ == Stage::evaluating) end_evaluation(0, nullptr);
    if (stage_ == Stage::awaiting_outcome) finish_shot(ShotOutcome::none, false);
    stage_ = Stage::idle;
    record_frame(last_frame);
}

}  // namespace sim
