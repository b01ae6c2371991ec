#pragma once
// The outcome probabilities of one shot, by the plugin's own rule
// (model/outcome_probability.h), for the tools.

#include "model/outcome_probability.h"

namespace sim {
using ::OutcomeProbabilities;
using ::outcome_probabilities;
}  // namespace sim
