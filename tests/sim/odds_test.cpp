// barrelburst-sim odds: the chances of one shot from the plugin's own shot
// evaluation over the grid, at a hot or cold barrel and under an INI.

#include <gmock/gmock.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "odds/odds.h"
#include "support/cli_support.h"

namespace {

using ::testing::HasSubstr;

class OddsTest : public test::ToolTest {};

TEST_F(OddsTest, OddsOfTheDefaultTablesAtDirtPoint2AndDegradationPoint3) {
    sim::OddsOptions options;
    const std::vector<sim::ClassOdds> odds = sim::compute_odds(options);
    ASSERT_EQ(odds.size(), 5u);
    // Every roll k x 2^-24 below the 0.002 floor cracks.
    const double cracking_rolls = std::ceil(static_cast<double>(0.002f) * 16777216.0);
    for (const sim::ClassOdds& c : odds) {
        SCOPED_TRACE(c.weapon_class);
        int found = 0;
        for (const sim::OddsCell& cell : c.cells) {
            if (cell.dirt != 0.2f || cell.degradation != 0.3f) continue;
            ++found;
            EXPECT_EQ(cell.chances.crack_chance, 0.002f);
            EXPECT_EQ(cell.chances.explosion_chance, 0.0f);
            EXPECT_EQ(cell.crack_probability, cracking_rolls / 16777216.0);
            EXPECT_EQ(cell.explosion_probability, 0.0);
        }
        EXPECT_EQ(found, 1);
    }

    const Cli r = cli({"odds", "--dirt", "0.2", "--degradation", "0.3", "--class", "pistol"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("pistol: min_dirt 0.5, min_degradation 0.5, expo_chance_mod 0.33, cracks up to "
                                 "degradation 0.99\n"
                                 "  crack chance (- : too degraded to crack)\n"
                                 "    degr. \\ dirt     0.2\n"
                                 "    0.3            0.0020\n"
                                 "  explosion chance\n"
                                 "    degr. \\ dirt     0.2\n"
                                 "    0.3            0.0000\n"
                                 "  expected shots to a failure (crack or explosion)\n"
                                 "    degr. \\ dirt     0.2\n"
                                 "    0.3               500\n"));
}

TEST_F(OddsTest, OddsTakeTheBarrelHeatOrColdAndTheIniAndRefuseBoth) {
    // A worn-out weapon: both terms capped at 0.36 x 0.33 = 0.1188. Hot:
    // (1.01 x 0.1188)^0.2 x 0.1188^0.6 x 0.01^-0.25; cold 0.5:
    // (0.01 x 0.1188)^0.2 x 0.1188^0.6 x 0.51^-0.25.
    for (const auto& [heat, cold, explosion] : {std::tuple{1.0f, 0.0f, 0.5763913}, std::tuple{0.0f, 0.5f, 0.0856960}}) {
        sim::OddsOptions options;
        options.heat = heat;
        options.cold = cold;
        options.dirt = {1.0f};
        options.degradation = {1.0f};
        options.classes = {"shotgun"};
        const std::vector<sim::ClassOdds> odds = sim::compute_odds(options);
        ASSERT_EQ(odds.size(), 1u);
        const sim::OddsCell& cell = odds[0].cells.at(0);
        EXPECT_NEAR(cell.chances.explosion_chance, explosion, 1e-6);
        // Above the crack limit 0.99: only explosions.
        EXPECT_EQ(cell.crack_probability, 0.0);
        EXPECT_NEAR(cell.explosion_probability, explosion, 1e-6);
    }

    const std::string ini = write("odds.ini", "[Min_Degradation_To_Explode]\nshotgun_min_degradation=0.2\n");
    sim::OddsOptions options;
    options.ini = ini;
    options.classes = {"shotgun"};
    options.dirt = {0.2f};
    options.degradation = {0.3f};
    const std::vector<sim::ClassOdds> odds = sim::compute_odds(options);
    EXPECT_EQ(odds.at(0).tuning.min_degradation, 0.2f);
    EXPECT_GT(odds.at(0).cells.at(0).chances.degradation_term, 0.0f);

    const Cli both = cli({"odds", "--heat", "0.3", "--cold", "0.2"});
    EXPECT_EQ(both.status, 1);
    EXPECT_THAT(both.err, HasSubstr("--heat and --cold cannot both be above 0"));
    const Cli no_ini = cli({"odds", "--ini", (scratch_.path() / "none.ini").string()});
    EXPECT_EQ(no_ini.status, 1);
    EXPECT_THAT(no_ini.err, HasSubstr("none.ini': No such file or directory"));
}

}  // namespace
