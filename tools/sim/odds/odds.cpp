#include "odds/odds.h"


#include "model/outcome_probability.h"
#include "shared/tool_error.h"
#include "shared/platform.h"
#include "config/settings.h"
#include "config/settings_text.h"
#include "host/plugin_state.h"
#include "shared/files.h"
#include "shared/scratch_working_directory.h"
#include "shared/text_format.h"

namespace sim {

namespace {

std::vector<float> default_grid() {
    std::vector<float> grid;
    for (int i = 0; i <= 10; ++i) grid.push_back(static_cast<float>(i) / 10.0f);
    return grid;
}

void check_unit(const std::vector<float>& values, const char* what) {
    for (const float v : values) {
        if (!(v >= 0.0f && v <= 1.0f)) {
            throw ToolError(std::string("--") + what + " values must lie in [0, 1], not " + std::to_string(v));
        }
    }
}

WeaponClass tuned_class(const std::string& name) {
    for (const char* c : tuned_weapon_classes) {
        if (name == c) return c;
    }
    throw ToolError("unknown weapon class '" + name + "' (pistol, revolver, rifle, sniper, shotgun)");
}

std::string expected_text(double p) {
    if (!(p > 0.0)) return "never";
    const double shots = 1.0 / p;
    if (shots >= 1e6) return ">1e6";
    return format(shots < 10.0 ? "%.2f" : shots < 100.0 ? "%.1f" : "%.0f", shots);
}

void print_matrix(std::ostream& out, const OddsOptions& options, const ClassOdds& odds, const char* title,
                  std::string (*cell)(const OddsCell&)) {
    out << "  " << title << "\n";
    out << "    degr. \\ dirt";
    for (const float dirt : options.dirt) out << format("%8.3g", static_cast<double>(dirt));
    out << "\n";
    std::size_t i = 0;
    for (const float degradation : options.degradation) {
        out << format("    %-13.3g", static_cast<double>(degradation));
        for (std::size_t j = 0; j < options.dirt.size(); ++j, ++i) out << format("%8s", cell(odds.cells[i]).c_str());
        out << "\n";
    }
}

// Fills in the default grid; the classes asked for. Throws ToolError for
// options the plugin's formulas do not take, or an INI that is not a file.
std::vector<WeaponClass> checked_classes(OddsOptions& options) {
    if (options.heat > 0.0f && options.cold > 0.0f) {
        throw ToolError("--heat and --cold cannot both be above 0: a barrel is either hot or cold");
    }
    if (!(options.heat >= 0.0f && options.heat <= 1.0f)) throw ToolError("--heat must lie in [0, 1]");
    if (!(options.cold >= 0.0f && options.cold <= 1.0f)) throw ToolError("--cold must lie in [0, 1]");
    if (options.dirt.empty()) options.dirt = default_grid();
    if (options.degradation.empty()) options.degradation = default_grid();
    check_unit(options.dirt, "dirt");
    check_unit(options.degradation, "degradation");
    std::vector<WeaponClass> classes;
    if (options.classes.empty()) {
        classes.assign(tuned_weapon_classes.begin(), tuned_weapon_classes.end());
    } else {
        for (const std::string& c : options.classes) classes.push_back(tuned_class(c));
    }
    if (options.ini) check_ini_file(*options.ini);
    return classes;
}

// One shot of the class at this dirt and degradation, under the settings loaded.
OddsCell odds_cell(const ClassChanceTuning& tuning, BarrelFigures figures, float dirt, float degradation) {
    OddsCell cell;
    cell.dirt = dirt;
    cell.degradation = degradation;
    cell.chances = shot_chances(tuning, dirt, degradation, figures, settings.maximum_chance_for_explosion);
    const OutcomeProbabilities p = outcome_probabilities(cell.chances, degradation);
    cell.crack_probability = p.crack;
    cell.explosion_probability = p.explosion;
    return cell;
}

}  // namespace

std::vector<ClassOdds> compute_odds(OddsOptions& options) {
    checked_classes(options);
    reset_plugin_state();
    {
        std::optional<std::filesystem::path> ini;
        if (options.ini) ini = std::filesystem::absolute(*options.ini);
        ScratchWorkingDirectory scratch(ini);
        load_settings();
    }
    return odds_of_loaded_settings(options);
}

std::vector<ClassOdds> odds_of_loaded_settings(OddsOptions& options) {
    const std::vector<WeaponClass> classes = checked_classes(options);
    const BarrelFigures figures{options.heat, options.cold};

    std::vector<ClassOdds> all;
    for (const WeaponClass weapon_class : classes) {
        ClassOdds odds;
        odds.weapon_class = weapon_class;
        odds.tuning = class_chance_tuning(weapon_class);
        for (const float degradation : options.degradation) {
            for (const float dirt : options.dirt) odds.cells.push_back(odds_cell(odds.tuning, figures, dirt, degradation));
        }
        all.push_back(std::move(odds));
    }
    return all;
}

void print_odds(std::ostream& out, const OddsOptions& options, const std::vector<ClassOdds>& odds) {
    if (options.csv) {
        out << "class,dirt,degradation,crack_chance,explosion_chance,crack_degradation_limit,crack_probability,"
               "explosion_probability,expected_shots_to_failure\n";
        for (const ClassOdds& c : odds) {
            for (const OddsCell& cell : c.cells) {
                const double p = cell.failure_probability();
                out << format("%s,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", c.weapon_class,
                              static_cast<double>(cell.dirt), static_cast<double>(cell.degradation),
                              static_cast<double>(cell.chances.crack_chance),
                              static_cast<double>(cell.chances.explosion_chance),
                              static_cast<double>(cell.chances.crack_degradation_limit), cell.crack_probability,
                              cell.explosion_probability, p > 0.0 ? 1.0 / p : 0.0);
            }
        }
        return;
    }
    out << "barrelburst-sim odds: INI "
        << (options.ini ? utf8_of(*options.ini) : std::string("none (every setting at its default)")) << "\n";
    out << format("  barrel heat %.3f, barrel cold %.3f, maximum_chance_for_explosion %.4g\n",
                  static_cast<double>(options.heat), static_cast<double>(options.cold),
                  static_cast<double>(settings.maximum_chance_for_explosion));
    out << "  One shot of a weapon of the given dirt and degradation. Expected shots to a failure hold the\n"
           "  weapon and the barrel as they are (in play every shot adds dirt and heat).\n";
    for (const ClassOdds& c : odds) {
        if (c.cells.empty()) continue;
        out << "\n"
            << format("%s: min_dirt %.4g, min_degradation %.4g, expo_chance_mod %.4g, cracks up to degradation %.4g\n",
                      c.weapon_class, static_cast<double>(c.tuning.min_dirt),
                      static_cast<double>(c.tuning.min_degradation), static_cast<double>(c.tuning.expo_chance_mod),
                      static_cast<double>(c.cells.front().chances.crack_degradation_limit));
        print_matrix(out, options, c, "crack chance (- : too degraded to crack)", [](const OddsCell& cell) {
            if (!(cell.crack_probability > 0.0)) return std::string("-");
            return format("%.4f", static_cast<double>(cell.chances.crack_chance));
        });
        print_matrix(out, options, c, "explosion chance", [](const OddsCell& cell) {
            return format("%.4f", static_cast<double>(cell.chances.explosion_chance));
        });
        print_matrix(out, options, c, "expected shots to a failure (crack or explosion)",
                     [](const OddsCell& cell) { return expected_text(cell.failure_probability()); });
    }
}

}  // namespace sim
