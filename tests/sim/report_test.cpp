// barrelburst-sim report: the page an INI dropped on the tool gets beside
// it, and what a hostile INI or scenario can put on it.

#include <gmock/gmock.h>

#include <filesystem>
#include <string>

#include "support/cli_support.h"

namespace {

using ::testing::HasSubstr;

using test::count_of;
using test::read_text;

class ReportTest : public test::ToolTest {};

TEST_F(ReportTest, ADroppedIniGetsItsReportBesideIt) {
    const std::string ini =
        write("Barrelburst.ini", "[Expo_Chance]\nrifle_expo_chance_mod=0.6\nrifle=0.5\n[Recoil]\npistol_recoil=0.5,0.5\n");
    const Cli r = cli({"--no-open", ini});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::filesystem::path page = scratch_.path() / "Barrelburst-report.html";
    EXPECT_THAT(r.out, HasSubstr("Report: " + page.string() + "\n"));
    const std::string html = read_text(page);
    // The finding, the changed values, and every chart: a timeline, the barrel, two recoil charts; five classes
    // of six heatmaps.
    const auto has = [&html](const std::string& part) { return html.find(part) != std::string::npos; };
    EXPECT_TRUE(has("unknown key &#39;rifle&#39;"));
    EXPECT_TRUE(has("<tr class=\"changed\"><td class=\"key\">rifle_expo_chance_mod"));
    EXPECT_TRUE(has("<tr class=\"changed\"><td class=\"key\">[Recoil]</td><td class=\"key\">pistol_recoil"));
    EXPECT_EQ(count_of(html, "<svg class=\"chart\""), 4u);
    EXPECT_EQ(count_of(html, "<table class=\"heat\">"), 30u);
    // Classes whose kick is alike share a curve: free aiming, the pistol and the rest; without it the revolver's
    // kick is dropped at once. Then the heat and the cold.
    EXPECT_EQ(count_of(html, "<path class=\"series\""), 2u + 3u + 2u);
    EXPECT_TRUE(has("<title>revolver, rifle, sniper, shotgun</title>"));

    const Cli none = cli({});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.out, HasSubstr("report"));
    const Cli typo = cli({"chek"});
    EXPECT_EQ(typo.status, 1);
    EXPECT_EQ(typo.err, "barrelburst-sim: 'chek' is neither a command (run, odds, check, log, report) nor a file; "
                        "run barrelburst-sim --help\n");
}

// INIs and scenarios are shared between players: what they hold is shown as text and runs nothing.
TEST_F(ReportTest, AHostileIniAndScenarioGiveAReportThatRunsNothing) {
    const std::string ini = write("hostile.ini",
                                  "[Main]\n<script>alert('key')</script>=1\n"
                                  "[VFX_Effects]\nfx_expo=\"><img src=x onerror=alert(1)><script>alert(2)</script>\n"
                                  "[<iframe src=//evil>]\n"
                                  "[Base_Degradation]\nREL_<b onmouseover=alert(3)>=0.2,0.4\n");
    const std::string scenario = write("hostile.toml", R"(
name = "</title><script>alert(4)</script>"
description = "<a href=\"javascript:alert(5)\">x</a>"
frames = 120
[[npc]]
name = "<svg onload=alert(6)>"
weapon = { kind = "shotgun", dirt = 0.9, degradation = 0.9 }
firing = { start = 2, interval = 2 }
)");
    const std::filesystem::path page = scratch_.path() / "hostile.html";
    const Cli r = cli({"report", "--ini", ini, "--scenario", scenario, "--out", page.string(), "--seed", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = read_text(page);
    for (const char* markup :
         {"<script", "<img", "<iframe", "<b onmouseover", "<a href=\"javascript", "<svg onload", "</title><script"}) {
        EXPECT_EQ(html.find(markup), std::string::npos) << markup;
    }
    const auto has = [&html](const std::string& part) { return html.find(part) != std::string::npos; };
    EXPECT_TRUE(has("&lt;script&gt;alert(&#39;key&#39;)&lt;/script&gt;"));
    EXPECT_TRUE(has("&lt;svg onload=alert(6)&gt;"));
    EXPECT_TRUE(has("&lt;/title&gt;&lt;script&gt;alert(4)&lt;/script&gt;"));
    // And the page allows no script and no fetch at all.
    EXPECT_TRUE(has("content=\"default-src 'none'; style-src 'unsafe-inline'; img-src data:\""));
}

}  // namespace

// A file broken everywhere still gives a page: a few hundred findings listed,
// the rest counted; check keeps every one.
TEST_F(ReportTest, APageListsAtMostAFewHundredFindingsAndCountsTheRest) {
    std::string text = "[Main]\n";
    for (int i = 0; i < 400; ++i) text += "unknown_" + std::to_string(i) + "=1\n";
    const std::string ini = write("broken.ini", text);
    const std::filesystem::path page = scratch_.path() / "broken.html";
    ASSERT_EQ(cli({"report", "--ini", ini, "--out", page.string()}).status, 0);
    const std::string html = read_text(page);
    EXPECT_EQ(count_of(html, "<span class=\"badge error\">"), 300u);
    EXPECT_THAT(html, HasSubstr("100 more, not listed here</td><td>barrelburst-sim check lists every one"));
    EXPECT_EQ(count_of(cli({"check", "--format", "json", ini}).out, "\"severity\": \"error\""), 400u);
}
