// barrelburst-sim's command line: every command's help, and a bad option.

#include <gmock/gmock.h>

#include "support/cli_support.h"

namespace {

using ::testing::HasSubstr;

class CliTest : public test::ToolTest {};

TEST_F(CliTest, EveryCommandHasHelpAndABadOptionFails) {
    const Cli top = cli({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_THAT(top.out, HasSubstr("run"));
    EXPECT_THAT(top.out, HasSubstr("odds"));
    EXPECT_THAT(top.out, HasSubstr("check"));
    EXPECT_THAT(cli({"run", "--help"}).out, HasSubstr("--scenario"));
    EXPECT_THAT(cli({"odds", "--help"}).out, HasSubstr("--heat"));
    EXPECT_THAT(cli({"check", "--help"}).out, HasSubstr("FILE"));
    const Cli bad = cli({"run", "--frmes", "3"});
    EXPECT_NE(bad.status, 0);
    EXPECT_THAT(bad.err, HasSubstr("--frmes"));
    EXPECT_NE(cli({}).status, 0);
}

}  // namespace
