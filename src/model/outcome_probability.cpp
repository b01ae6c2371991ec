#include "model/outcome_probability.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/rng.h"
#include "model/shot_decision.h"

namespace {

constexpr std::uint32_t roll_values = 1u << 24;
float roll_of(std::uint32_t k) { return static_cast<float>(k) * unit_factor; }

// The first k for which the test holds; it must hold for every k after it
// (a roll selects a crack below one threshold and a failure below another).
// The roll k x 2^-24 falls below a chance c for k < ceil(c x 2^24): that
// guess is confirmed with the test at it and just below it, and searched
// for only where the test disagrees.
template <typename Test>
std::uint32_t first_roll_where(Test test, std::uint32_t guess) {
    if (guess <= roll_values && (guess == roll_values || test(roll_of(guess))) &&
        (guess == 0 || !test(roll_of(guess - 1)))) {
        return guess;
    }
    std::uint32_t low = 0;
    std::uint32_t high = roll_values;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (test(roll_of(middle))) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

// ceil(chance x 2^24) within [0, 2^24]; 0 for a chance that is not a number.
std::uint32_t rolls_below(float chance) {
    const double scaled = std::ceil(static_cast<double>(chance) * roll_values);
    if (!(scaled > 0.0)) return 0;
    return scaled >= roll_values ? roll_values : static_cast<std::uint32_t>(scaled);
}

}  // namespace

OutcomeProbabilities outcome_probabilities(const ShotChances& chances, float effective_degradation) {
    const std::uint32_t crack_guess =
        effective_degradation <= chances.crack_degradation_limit ? rolls_below(chances.crack_chance) : 0;
    const std::uint32_t cracks = first_roll_where(
        [&](float roll) { return shot_outcome(chances, effective_degradation, roll) != ShotOutcome::crack; },
        crack_guess);
    const std::uint32_t failures = first_roll_where(
        [&](float roll) { return shot_outcome(chances, effective_degradation, roll) == ShotOutcome::none; },
        std::max(cracks, rolls_below(chances.explosion_chance)));
    return {static_cast<double>(cracks) / roll_values, static_cast<double>(failures - cracks) / roll_values};
}
