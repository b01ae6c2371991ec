#pragma once
// How likely one shot's outcomes are, given its chances: the share of every
// roll the plugin can draw (k x 2^-24 for k in [0, 2^24)) for which the
// plugin's own shot_outcome() selects a crack or an explosion. The settings
// menu shows it for the gun in hand; `odds` gives it for a grid of weapons,
// `log` sums it over a game's recorded shots.

#include "model/shot_record.h"

struct OutcomeProbabilities {
    double crack = 0.0;
    double explosion = 0.0;
};

OutcomeProbabilities outcome_probabilities(const ShotChances& chances, float effective_degradation);
