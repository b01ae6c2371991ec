// barrelburst-sim report and a drop on the tool: the tuner page with the INI,
// the log and the fight's scenario and seed carried in it as inert data,
// the bytes exactly; what does not fit is left out and said; hostile names
// cannot end the data's element. The page itself is tested in Chromium
// (tests/browser).

#include <gmock/gmock.h>

#include <filesystem>
#include <string>

#include "report/report_page.h"
#include "support/carried_files.h"
#include "support/cli_support.h"
#include "support/shot_log_sample.h"

namespace {

using ::testing::HasSubstr;

class ReportTest : public test::ToolTest {};

TEST_F(ReportTest, ADroppedIniAndLogGetThePageWithTheirBytesInIt) {
    std::filesystem::create_directories(scratch_.path() / "game");
    // CR LF and a byte that is not UTF-8 stay as they are.
    const std::string ini_bytes = "[Expo_Chance]\r\nrifle_expo_chance_mod=0.6\r\n; caf\xe9\r\n";
    const std::string ini = write("Barrelburst.ini", ini_bytes);
    test::SampleLog sample;
    sample.rows = 500;
    const std::string log_bytes = test::sample_shot_log(sample);
    const std::string log = write("game/Barrelburst-shots.csv", log_bytes);
    const Cli r = cli({"--no-open", ini, log});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::filesystem::path page = scratch_.path() / "game" / "Barrelburst-report.html";
    EXPECT_THAT(r.out, HasSubstr("Report: " + page.string() + "\n"));
    const std::string html = test::read_text(page);
    const test::CarriedFiles carried = test::carried_files(html);
    EXPECT_EQ(carried.ini, ini_bytes);
    EXPECT_EQ(carried.log, log_bytes);
    EXPECT_EQ(carried.data["ini"]["name"], ini);
    EXPECT_EQ(carried.data["fight"], nlohmann::json({{"scenario", "warm-day-gunfight"}, {"seed", 1}}));
    EXPECT_EQ(carried.data["left_out"], nlohmann::json::array());
    // The built page around it, unchanged.
    const std::string built = test::read_text(sim::tuner_page_file());
    EXPECT_EQ(html.substr(0, html.find("id=\"preloaded\">")), built.substr(0, built.find("id=\"preloaded\">")));

    const Cli chosen = cli({"report", "--scenario", "frozen-mountain", "--seed", "9", "--out", (scratch_.path() / "f.html").string()});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    const test::CarriedFiles fight = test::carried_files(test::read_text(scratch_.path() / "f.html"));
    EXPECT_FALSE(fight.ini);
    EXPECT_EQ(fight.data["fight"], nlohmann::json({{"scenario", "frozen-mountain"}, {"seed", 9}}));
    const Cli own = cli({"report", "--scenario", write("mine.toml", "frames = 60\n")});
    EXPECT_EQ(own.status, 1);
    EXPECT_THAT(own.err, HasSubstr("the page plays the shipped scenarios"));
    EXPECT_THAT(cli({"--no-open", log, log}).err, HasSubstr("two shot logs (.csv)"));
    EXPECT_THAT(cli({"--no-open", ini, ini}).err, HasSubstr("two INI files"));
    const Cli missing = cli({"report", "--log", (scratch_.path() / "none.csv").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr("cannot read shot log '" + (scratch_.path() / "none.csv").string() + "'"));
}

// A log too large for the page is left out and said; the page stays small.
TEST_F(ReportTest, WhatThePageCannotCarryIsLeftOutAndSaid) {
    test::SampleLog sample;
    sample.rows = 150000;
    sample.scenario = test::crowd_scenario();
    const std::string log = write("big.csv", test::sample_shot_log(sample));
    const std::filesystem::path page = scratch_.path() / "big.html";
    ASSERT_EQ(cli({"report", "--log", log, "--out", page.string()}).status, 0);
    const test::CarriedFiles carried = test::carried_files(test::read_text(page));
    EXPECT_FALSE(carried.log);
    ASSERT_EQ(carried.data["left_out"].size(), 1u);
    EXPECT_THAT(carried.data["left_out"][0].get<std::string>(),
                HasSubstr("the shot log " + log + " (" + std::to_string(std::filesystem::file_size(log)) +
                          " bytes), too large to carry in this page; open it here with the button"));
    EXPECT_LT(std::filesystem::file_size(page), std::filesystem::file_size(sim::tuner_page_file()) + 1000);
}

// File names are a player's: no text of theirs can end the data's element.
TEST_F(ReportTest, NoNameOrByteOfAFileCanEndTheDataElement) {
    const std::string ini = write("<!--<script>alert(1).ini", "</script><script>alert(2)</script>\n");
    const std::filesystem::path page = scratch_.path() / "hostile.html";
    ASSERT_EQ(cli({"report", "--ini", ini, "--out", page.string()}).status, 0);
    const std::string html = test::read_text(page);
    EXPECT_EQ(test::count_of(html, "<script"), test::count_of(test::read_text(sim::tuner_page_file()), "<script"));
    EXPECT_EQ(test::carried_files(html).data["ini"]["name"], ini);
}

}  // namespace
