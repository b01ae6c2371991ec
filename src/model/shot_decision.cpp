#include "model/shot_decision.h"

#include <cmath>
#include <type_traits>

#include "common/rng.h"

// The chances are single-precision powers.
static_assert(std::is_same_v<decltype(std::pow(1.0f, 1.0f)), float>);

namespace {

constexpr float firing_dirt_base = 0.002f;
// Added to heat and cold before they enter the chances, so that a cool barrel
// still has a chance.
constexpr float barrel_floor = 0.01f;
constexpr float crack_chance_floor = 0.002f;
constexpr float explosion_min_degradation = 0.5f;
// The crack limit is twice the class's minimum degradation, at most this.
constexpr float crack_degradation_ceiling = 0.99f;

// 0 when x is not at least 0 (NaN, negative or -inf), otherwise at most the
// maximum.
float cap(float x, float maximum) {
    if (!(x >= 0.0f)) return 0.0f;
    return x < maximum ? x : maximum;
}

// Excess of a value over its class threshold, normalised to the room left above it.
float excess(float value, float threshold, float expo_chance_mod, float maximum) {
    return cap((value - threshold) / (1.0f - threshold), maximum) * expo_chance_mod;
}

}  // namespace

ShotChances shot_chances(const ClassChanceTuning& tuning, float dirt, float effective_degradation,
                         BarrelFigures figures, float maximum_chance) {
    ShotChances chances;
    chances.dirt_term = excess(dirt, tuning.min_dirt, tuning.expo_chance_mod, maximum_chance);
    chances.degradation_term =
        excess(effective_degradation, tuning.min_degradation, tuning.expo_chance_mod, maximum_chance);

    const float h = figures.heat + barrel_floor;
    const float c = figures.cold + barrel_floor;
    float crack_chance = std::pow(c * h, 0.25f) * std::pow(chances.degradation_term, 0.4f) *
                         std::pow(chances.dirt_term + 0.01f, 0.3f);
    if (!(crack_chance >= crack_chance_floor)) crack_chance = crack_chance_floor;
    float explosion_chance = std::pow(h * chances.degradation_term, 0.2f) * std::pow(chances.dirt_term, 0.6f) *
                             std::pow(c, -0.25f);
    if (!(effective_degradation >= explosion_min_degradation)) explosion_chance = 0.0f;
    chances.crack_chance = crack_chance;
    chances.explosion_chance = explosion_chance;

    const float twice_min_degradation = 2.0f * tuning.min_degradation;
    chances.crack_degradation_limit = 0.0f;
    if (twice_min_degradation >= 0.0f) {
        chances.crack_degradation_limit = twice_min_degradation < crack_degradation_ceiling
                                              ? twice_min_degradation
                                              : crack_degradation_ceiling;
    }
    return chances;
}

ShotOutcome shot_outcome(const ShotChances& chances, float effective_degradation, float roll) {
    if (roll < chances.crack_chance && effective_degradation <= chances.crack_degradation_limit) {
        return ShotOutcome::crack;
    }
    if (roll < chances.explosion_chance) return ShotOutcome::explosion;
    return ShotOutcome::none;
}

bool base_degradation_on() { return switch_on(shooter_tuning.enable_explosion, shooter_kind::npc); }

bool fires_dirt(bool is_npc) { return switch_on(shooter_tuning.firing_increases_dirt, shooter_kind_of(is_npc)); }

float draw_firing_dirt(ModRng& rng) { return scaled_draw(firing_dirt_factor, firing_dirt_base, rng); }

float fired_dirt(float dirt, float increment, float dirt_modifier) {
    // The modifier scales the whole figure, the current dirt included; the
    // game keeps the value in range itself.
    return (increment + dirt) * dirt_modifier;
}

float crack_lift(float value, float wear, float minimum) {
    const float floor = wear + minimum;
    if (floor >= value) return floor < crack_wear_cap ? floor : crack_wear_cap;
    return value;
}

void decide_outcome(ShotRecord& shot, const ClassChanceTuning& tuning, BarrelFigures figures, float roll) {
    shot.tuning = tuning;
    shot.heat = figures.heat;
    shot.cold = figures.cold;
    shot.chances =
        shot_chances(tuning, shot.dirt, shot.effective_degradation, figures, settings.maximum_chance_for_explosion);
    shot.roll = roll;
    shot.outcome = shot_outcome(shot.chances, shot.effective_degradation, roll);
}

void decide_crack_wear(ShotRecord& shot, float wear) {
    shot.crack_wear = wear;
    shot.degradation_written = crack_lift(shot.effective_degradation, wear, shot.tuning.min_degradation);
    shot.degradation_set = true;
    shot.dirt_written = crack_lift(shot.dirt, wear, shot.tuning.min_dirt);
    shot.dirt_set = true;
}

void decide_explosion_wear(ShotRecord& shot) {
    shot.degradation_written = explosion_wear;
    shot.degradation_set = true;
    shot.dirt_written = explosion_wear;
    shot.dirt_set = true;
}
