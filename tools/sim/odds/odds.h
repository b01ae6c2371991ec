#pragma once
// `odds`: per weapon class, the crack and explosion chance of one shot over a
// grid of dirt and degradation, and the expected shots to a failure, all from
// the plugin's own class_chance_tuning(), shot_chances() and shot_outcome()
// after its own
// load_settings() has read the INI.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/settings_text.h"
#include "model/shot_decision.h"

namespace sim {

struct OddsOptions {
    std::optional<std::filesystem::path> ini;  // none: every setting at its default
    float heat = 0.0f;  // the barrel's heat and cold (at most one above 0)
    float cold = 0.0f;
    std::vector<float> dirt;         // empty: 0, 0.1, ..., 1
    std::vector<float> degradation;  // empty: 0, 0.1, ..., 1
    std::vector<std::string> classes;  // empty: the five tuned classes
    bool csv = false;
};

struct OddsCell {
    float dirt = 0.0f;
    float degradation = 0.0f;
    ShotChances chances;
    // Of one shot, over every roll the plugin can draw (k x 2^-24).
    double crack_probability = 0.0;
    double explosion_probability = 0.0;
    double failure_probability() const { return crack_probability + explosion_probability; }
};

struct ClassOdds {
    WeaponClass weapon_class = weapon_class::unknown;
    ClassChanceTuning tuning;
    std::vector<OddsCell> cells;  // by degradation, then by dirt
};

// Throws ToolError for an unreadable INI, heat and cold both above 0, values
// outside [0, 1] or an unknown class.
std::vector<ClassOdds> compute_odds(OddsOptions& options);
// The same with the settings the plugin holds now (options.ini is not read):
// for a caller that loaded them itself, from the INI's text.
std::vector<ClassOdds> odds_of_loaded_settings(OddsOptions& options);
void print_odds(std::ostream& out, const OddsOptions& options, const std::vector<ClassOdds>& odds);

}  // namespace sim
