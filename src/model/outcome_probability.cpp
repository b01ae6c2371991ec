#include "model/outcome_probability.h"

#include <cstdint>

#include "common/rng.h"
#include "model/shot_decision.h"

namespace {

constexpr std::uint32_t roll_values = 1u << 24;
float roll_of(std::uint32_t k) { return static_cast<float>(k) * unit_factor; }

// The first k for which the test holds; it must hold for every k after it
// (a roll selects a crack below one threshold and a failure below another).
template <typename Test>
std::uint32_t first_roll_where(Test test) {
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

}  // namespace

OutcomeProbabilities outcome_probabilities(const ShotChances& chances, float effective_degradation) {
    const std::uint32_t cracks = first_roll_where(
        [&](float roll) { return shot_outcome(chances, effective_degradation, roll) != ShotOutcome::crack; });
    const std::uint32_t failures = first_roll_where(
        [&](float roll) { return shot_outcome(chances, effective_degradation, roll) == ShotOutcome::none; });
    return {static_cast<double>(cracks) / roll_values, static_cast<double>(failures - cracks) / roll_values};
}
